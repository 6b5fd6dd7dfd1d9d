// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace pictures {

// Text of a metafile's 8-bit records is in the code page of the selected font's character set
// (SHIFTJIS_CHARSET means code page 932, RUSSIAN_CHARSET 1251, ...), not in any one encoding.
class MetafileText {
public:
    // The Windows code page of a LOGFONT character set; 1252 for the ANSI and default sets.
    static int codePage(int charset);
    // The bytes decoded in that character set's code page.
    static QString decode(std::span<const std::uint8_t> bytes, int charset);
    // UTF-16LE code units, as the wide records carry them.
    static QString decodeWide(std::span<const std::uint8_t> bytes);
};

}
