// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace pictures {

// The largest picture any of our readers will decode. A hostile or broken header can claim
// billions of pixels; we refuse before allocating rather than let one frame take the machine down.
// Plain C++, so that the metafile player and the fuzzers share the same bound.
class PictureLimits {
public:
    static constexpr int maxSide = 16384;
    static constexpr std::int64_t maxBytes = std::int64_t(512) * 1024 * 1024;
    // Every reader hands back at most 32 bits a pixel, so that is what we budget for.
    static constexpr std::int64_t bytesPerPixel = 4;

    static constexpr bool allows(std::int64_t width, std::int64_t height)
    {
        return width > 0 && height > 0 && width <= maxSide && height <= maxSide
            && width * height * bytesPerPixel <= maxBytes;
    }
};

}
