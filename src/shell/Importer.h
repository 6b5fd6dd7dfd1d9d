// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace forms {
class Progress;
}

namespace movelle {

// The import engine as the main window uses it for a dropped animated GIF or WebP or a video. It
// lives outside the windows' code (it needs FFmpeg and libwebp); the program gives it.
class Importer {
public:
    // Frames written as PNG pictures, in order, and the rate most of them last.
    struct Frames {
        std::vector<std::string> paths;
        int rate = 100;
    };

    // Whether a dropped file is an animation to import rather than a picture to load: an animated
    // GIF or WebP of more than one frame, or a video. False for a still picture and for a file
    // that is none of these.
    virtual bool isAnimation(const std::string& path) = 0;
    // Writes the frames of `input` as `folder`/NAME-frames/frame0001.png ..., NAME being the
    // input's name without its extension, as `movelle import` writes them beside an animation.
    // Reports its steps to `progress` and stops once the user cancels; a stopped or failed import
    // leaves no file. Throws forms::Error naming the input and the cause; after a cancel returns
    // no frames.
    virtual Frames import(const std::string& input, const std::string& folder, forms::Progress& progress) = 0;

protected:
    virtual ~Importer() = default;
};

}
