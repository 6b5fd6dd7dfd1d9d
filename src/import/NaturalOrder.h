// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace importer {

// File names as people count them: runs of digits compare by their value, so walk2.png comes
// before walk10.png; everything else compares byte by byte. Equal values with more leading zeros
// come first, so that the order is total.
bool naturalLess(std::string_view a, std::string_view b);

}
