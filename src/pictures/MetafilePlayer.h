// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <chrono>
#include <cstdint>
#include <span>

namespace pictures {

// Draws a Windows metafile (WMF, placeable or plain, or EMF) into pixels by replaying its records
// onto a QPainter, at the size its header gives at 96 DPI.
//
// Safe for hostile bytes in the program's own process: every record is walked and measured
// before it is played (MetafileCheck), every field read is bounded by its record, the picture is
// allocated within PictureLimits, and the drawing is bounded in work (pixels touched summed over
// operations) and in time (checked between records). Needs a QGuiApplication for its fonts.
class MetafilePlayer {
public:
    enum class Problem { None, NotAMetafile, Damaged, TooLarge, TooComplex, TimedOut };

    struct Bounds {
        // Pixels the drawing may touch in all: this many times the picture's area...
        std::int64_t workPerPixel = 64;
        // ...but never less than this (small pictures) nor more than the ceiling (large ones).
        std::int64_t minWork = std::int64_t(64) << 20;
        std::int64_t maxWork = std::int64_t(2) << 30;
        std::chrono::milliseconds time { 5000 };
    };

    struct Result {
        QImage image;
        Problem problem = Problem::None;
        // The picture's size, also when it is refused as too large.
        std::int64_t width = 0;
        std::int64_t height = 0;
    };

    static Result play(std::span<const std::uint8_t> data, const Bounds& bounds);
    static Result play(std::span<const std::uint8_t> data) { return play(data, Bounds {}); }
};

}
