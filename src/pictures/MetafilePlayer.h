// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QImage>
#include <QSize>

#include <chrono>
#include <cstdint>
#include <span>

namespace pictures {

// Draws a Windows metafile (WMF, placeable or plain, or EMF) into pixels by replaying its records
// onto a QPainter, at the size its header gives at 96 DPI. A metafile is a drawing, not pixels: one
// larger than the limits is drawn smaller, keeping its proportions, rather than refused.
//
// Safe for hostile bytes in the program's own process: every record is walked and measured
// before it is played (MetafileCheck), every field read is bounded by its record, the picture is
// allocated within the limits, and the drawing is bounded in work (pixels touched summed over
// operations) and in time (checked between records). Needs a QGuiApplication for its fonts.
class MetafilePlayer {
public:
    struct Bounds {
        // Pixels the drawing may touch in all: this many times the picture's area...
        std::int64_t workPerPixel = 64;
        // ...but never less than this (small pictures) nor more than the ceiling (large ones).
        std::int64_t minWork = std::int64_t(64) << 20;
        std::int64_t maxWork = std::int64_t(2) << 30;
        std::chrono::milliseconds time { 5000 };
    };

    // The size a drawing of width x height pixels is drawn at: its own, or the largest that keeps
    // its proportions within the limits (never less than one pixel a side).
    static QSize fittedSize(std::int64_t width, std::int64_t height, const Limits& limits);

    // The picture, or why there is none: NotAPicture, Damaged, TooLarge (a file beyond the
    // check's bound), TooComplex (over the work bound), TimedOut, OutOfMemory.
    static Result<QImage> play(std::span<const std::uint8_t> data, const Limits& limits, const Bounds& bounds);
    static Result<QImage> play(std::span<const std::uint8_t> data) { return play(data, Limits {}, Bounds {}); }
};

}
