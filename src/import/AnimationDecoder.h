// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <atomic>
#include <memory>
#include <string>

namespace importer {

// One frame of an animation being imported and how long it shows.
struct DecodedFrame {
    QImage image;
    int durationMs = 0;
};

// The frames of an animated GIF, an animated WebP or a video, in order, one at a time so that
// memory stays bounded whatever the length.
class AnimationDecoder {
public:
    virtual ~AnimationDecoder() = default;

    // Opens `path` by its content: WebP through libwebp's animation decoder, everything else
    // (GIF, videos) through FFmpeg's libraries. `stop` ends a blocked read. Throws ExportError
    // (BadInput) naming the file when it cannot be read.
    static std::unique_ptr<AnimationDecoder> open(const std::string& path, const std::atomic<bool>& stop);

    // The next frame, or false at the end. Throws ExportError (BadInput) naming the file and
    // the frame.
    virtual bool next(DecodedFrame& frame) = 0;
    // How many frames the file says it has, or 0 when it does not say.
    virtual int expectedFrames() const = 0;
};

}
