// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace pictures {

// How much one picture may cost. A hostile or broken header can claim billions of pixels; every
// reader refuses before allocating rather than let one frame take the machine down. Plain C++, so
// that the metafile helper and the fuzzers apply the very same bound as the program.
struct Limits {
    int maxSide = 16384;
    // Decoded bytes, at four bytes a pixel: what every reader hands back at most.
    std::int64_t maxBytes = std::int64_t(512) * 1024 * 1024;
    // The largest file read into memory: the biggest uncompressed bitmap the byte budget allows,
    // plus room for its headers and palette.
    std::int64_t maxFileBytes = std::int64_t(512 + 16) * 1024 * 1024;

    static constexpr std::int64_t bytesPerPixel = 4;

    constexpr bool allowsSides(std::int64_t width, std::int64_t height) const
    {
        return width <= maxSide && height <= maxSide;
    }
    constexpr bool allows(std::int64_t width, std::int64_t height) const
    {
        return width > 0 && height > 0 && allowsSides(width, height) && width * height * bytesPerPixel <= maxBytes;
    }
};

}
