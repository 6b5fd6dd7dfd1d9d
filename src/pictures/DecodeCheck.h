// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/PictureError.h"

#include <QByteArrayView>

namespace pictures {

// Checks that cost little and run before a picture is handed to a decoder that cannot be told to
// stop: a progressive JPEG that repeats its scans thousands of times takes minutes to decode
// although it is small, and Qt's TIFF reader needs more than one copy of the pixels. Returns no
// error for anything these checks do not concern.
class DecodeCheck {
public:
    // More scans than any camera or encoder writes (they write up to a dozen or so); each scan
    // costs a pass over the whole picture.
    static constexpr int maxJpegScans = 100;

    static PictureError check(QByteArrayView bytes, const Limits& limits);

    // The scans of a JPEG, counted by walking its markers; -1 when the bytes are no JPEG.
    static int jpegScans(QByteArrayView bytes);
    static PictureError checkTiff(QByteArrayView bytes, const Limits& limits);
};

}
