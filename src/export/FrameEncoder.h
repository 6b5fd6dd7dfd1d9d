// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class QImage;

namespace exporter {

// Writes frames of one size, in order, into one output. Every method throws ExportError (Output)
// when the encoder or the file refuses; a failed encoder is abandoned, never finished.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;

    // A frame of the size the encoder was made for, in QImage::Format_RGB32, shown for
    // `duration` milliseconds.
    virtual void addFrame(const QImage& frame, std::int64_t duration) = 0;
    // Completes and closes the output.
    virtual void finish() = 0;
};

}
