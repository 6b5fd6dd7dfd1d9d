// SPDX-License-Identifier: MIT
#include "anifile/Excerpt.h"

#include "anifile/TextCodec.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace anifile {

namespace {

constexpr std::string_view ellipsis = "\xE2\x80\xA6";

// Characters that change how the text around them is laid out or read, without being seen.
bool isInvisibleFormat(char32_t c)
{
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)
        || c == 0xFEFF;
}

std::string hex(std::uint32_t value, int digits)
{
    static constexpr std::string_view digitsOf = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int k = digits - 1; k >= 0; --k) {
        text[static_cast<std::size_t>(k)] = digitsOf[value & 0xF];
        value >>= 4;
    }
    return text;
}

// The value as a list of display pieces, one per character, each already escaped.
std::vector<std::string> pieces(std::string_view value)
{
    std::vector<std::string> out;
    while (!value.empty()) {
        char32_t c = 0;
        const std::size_t length = utf8SequenceLength(value, c);
        if (length == 0) {
            out.push_back("\\x" + hex(static_cast<unsigned char>(value[0]), 2));
            value.remove_prefix(1);
            continue;
        }
        if (c == 0)
            out.emplace_back("\\0");
        else if (c == '\n')
            out.emplace_back("\\n");
        else if (c == '\r')
            out.emplace_back("\\r");
        else if (c == '\t')
            out.emplace_back("\\t");
        else if (c < 0x20 || c == 0x7F)
            out.push_back("\\x" + hex(c, 2));
        else if ((c >= 0x80 && c <= 0x9F) || isInvisibleFormat(c))
            out.push_back("\\u" + hex(c, 4));
        else
            out.emplace_back(value.substr(0, length));
        value.remove_prefix(length);
    }
    return out;
}

}

std::string excerpt(std::string_view value, std::size_t maxCharacters)
{
    // Only as much of a huge value is looked at as can possibly be shown: a character takes at
    // most four bytes, and an escape stands for one byte.
    const std::size_t window = 4 * maxCharacters + 4;
    std::vector<std::string> head;
    std::vector<std::string> tail;
    if (value.size() <= 2 * window) {
        head = pieces(value);
        if (head.size() <= maxCharacters) {
            std::string out;
            for (const std::string& piece : head)
                out += piece;
            return out;
        }
        tail = head;
    } else {
        head = pieces(value.substr(0, window));
        // The cut may fall inside a character; the continuation bytes before the first whole
        // character are dropped rather than shown as escapes.
        std::size_t start = value.size() - window;
        while (start < value.size() && (static_cast<unsigned char>(value[start]) & 0xC0) == 0x80)
            ++start;
        tail = pieces(value.substr(start));
    }

    // Two thirds of the room for the beginning, the rest for the end, where the extension is.
    const std::size_t room = maxCharacters > 1 ? maxCharacters - 1 : 1;
    const std::size_t tailCount = std::min(tail.size(), room / 3);
    const std::size_t headCount = std::min(head.size(), room - tailCount);
    std::string out;
    for (std::size_t k = 0; k < headCount; ++k)
        out += head[k];
    out += ellipsis;
    for (std::size_t k = tail.size() - tailCount; k < tail.size(); ++k)
        out += tail[k];
    return out;
}

std::string quotedExcerpt(std::string_view value, std::size_t maxCharacters)
{
    return "\"" + excerpt(value, maxCharacters) + "\"";
}

}
