// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace forms {

// An RGB colour, 0xRRGGBB.
using Rgb = std::uint32_t;

// The design-time look of a control's text. Unset members follow the toolkit's defaults.
struct Look {
    std::string fontFamily;
    float pointSize = 0;   // 0: the toolkit's default size
    bool bold = false;
    bool italic = false;
    std::optional<Rgb> foreColor;
    bool highlightText = false;   // the system's highlight-text colour instead of foreColor
    bool transparent = false;     // labels: no background of their own, instead of the window's colour

    friend bool operator==(const Look&, const Look&) = default;
};

}
