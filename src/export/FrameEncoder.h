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
    // `duration` milliseconds. An encoder may keep a shared copy of the frame while worker
    // threads encode it, until a few frames later (or finish()): the caller may reuse its QImage
    // (writing to it detaches), but not the memory under an image made on a buffer it owns.
    virtual void addFrame(const QImage& frame, std::int64_t duration) = 0;
    // Completes the output and closes it, checking that every byte was written.
    virtual void finish() = 0;
};

}
