// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace anifile {

// How many characters of a value read from a file a message quotes at most.
inline constexpr std::size_t excerptLength = 40;

// A value from a file, made fit for a message: whatever the bytes, the result is short, valid
// UTF-8 and on one line. Control characters (NUL, line ends, tab, the C1 range), characters that
// reorder text on screen and bytes that are not UTF-8 are shown escaped ("\0", "\n", "\x01",
// "\xE9", "\u202E"); a value longer than maxCharacters keeps its beginning and its end with "…"
// between them, so that a file name's extension stays visible.
std::string excerpt(std::string_view value, std::size_t maxCharacters = excerptLength);

// The excerpt in double quotes, the way messages name a value: "5x", "".
std::string quotedExcerpt(std::string_view value, std::size_t maxCharacters = excerptLength);

}
