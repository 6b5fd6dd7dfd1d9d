// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace anifile {

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF. Being strict matters because anything that fails here is read as Windows-1252.
bool isValidUtf8(std::string_view bytes);

// The length of the well-formed UTF-8 sequence at the start of bytes, with its code point, or 0
// when there is none.
std::size_t utf8SequenceLength(std::string_view bytes, char32_t& codePoint);

// Appends the bytes, taken as Windows-1252, to out as UTF-8. Every byte maps to something: the five
// bytes that Windows-1252 leaves undefined become the C1 control characters of the same value, as
// Windows itself converts them, so no byte of a path is silently lost.
void appendWindows1252AsUtf8(std::string& out, std::string_view bytes);

}
