// SPDX-License-Identifier: MIT
#include "anifile/TextCodec.h"

#include <array>
#include <cstdint>

namespace anifile {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; 0x81, 0x8D, 0x8F, 0x90 and 0x9D are
// undefined there and keep their own value.
constexpr std::array<char16_t, 32> highControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendCodePoint(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        // Windows-1252 reaches no further than the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}

std::size_t utf8SequenceLength(std::string_view bytes, char32_t& codePoint)
{
    if (bytes.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    // The allowed range of the second byte is what rules out overlong forms, surrogates and
    // values above U+10FFFF; later continuation bytes are always 0x80..0xBF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(bytes[k]);
        if (k == 1 ? (c < low || c > high) : (c & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (c & 0x3F);
    }
    return length;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceLength(bytes.substr(i), codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

void appendWindows1252AsUtf8(std::string& out, std::string_view bytes)
{
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x80 && c <= 0x9F)
            appendCodePoint(out, highControlRange[c - 0x80]);
        else
            appendCodePoint(out, c);
    }
}

}
