// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"

#include <cstdint>

namespace pictures {

// The default Limits as constants, for code that checks a size without a Limits value at hand
// (the metafile checks and the metafile player).
class PictureLimits {
public:
    static constexpr int maxSide = Limits {}.maxSide;
    static constexpr std::int64_t maxBytes = Limits {}.maxBytes;
    static constexpr std::int64_t bytesPerPixel = Limits::bytesPerPixel;

    static constexpr bool allows(std::int64_t width, std::int64_t height) { return Limits {}.allows(width, height); }
};

}
