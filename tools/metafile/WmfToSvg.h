// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/MetafileCheck.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pictures {

// Converts a checked WMF to SVG with libwmf's SVG device, then repairs what that device gets
// wrong: missing namespaces, the drawing stretched to its own bounding box instead of the frame
// (which also made every pen far too thin), doubly transformed bitmaps and half-transparent fills.
class WmfToSvg {
public:
    struct Outcome {
        std::optional<std::string> svg;
        MetafileCheck::Problem problem = MetafileCheck::Problem::None;
        long long width = 0;
        long long height = 0;
    };

    static Outcome convert(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked);
};

}
