// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/MetafileCheck.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pictures {

// Converts a checked EMF to SVG with libemf2svg, after libuemf's own per-record checks, gives
// pens the width emf2svg would lose, and sizes the result to the header's frame.
class EmfToSvg {
public:
    // False when a record's contents (counts, offsets, embedded bitmaps) do not fit the record.
    static bool recordsAreSafe(std::span<const std::uint8_t> data, std::size_t length);
    static std::optional<std::string> convert(std::span<const std::uint8_t> data, const MetafileCheck::Result& checked);
};

}
