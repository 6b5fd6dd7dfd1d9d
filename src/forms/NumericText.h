// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace forms {

// Every number the program keeps is the text of a caption or text box. These four rules turn
// such text into numbers and back, the same way everywhere.

// The number the text starts with. Blanks (space, tab, line feed) are skipped wherever they
// occur; "&H" and "&O" introduce hexadecimal and octal whole numbers; a text without a leading
// number gives 0. Never fails.
double leadingNumber(std::string_view text);

// The whole text, less surrounding blanks, read as a number in the same notation.
// Throws forms::Error (TypeMismatch) when it is not one.
double strictNumber(std::string_view text);

// Whole numbers in plain decimal; fractions with at most 15 (double) or 7 (single) significant
// digits and no trailing zeros; very large or small values in E notation. No leading blank.
std::string numberText(double value);
std::string numberText(float value);

// Round to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Rounding for a control index: outside the 16-bit signed range is an Overflow error.
int roundToIndex(double value);

// Rounding for a timer's Interval: outside the 32-bit signed range is an Overflow error.
std::int64_t roundToInterval(double value);

}
