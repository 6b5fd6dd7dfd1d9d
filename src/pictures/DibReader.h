// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>

#include <array>
#include <cstdint>

namespace pictures {

// The bitmap information header of a device-independent bitmap, in any of its versions: OS/2's
// 12-byte core header and its 16- to 64-byte second version, and Windows' 40-, 52-, 56-, 108- and
// 124-byte headers. Parsed into a value before any pixel is touched.
struct DibHeader {
    enum class Compression { None, Rle8, Rle4, Rle24, Bitfields, Jpeg, Png };

    int headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    Compression compression = Compression::None;
    // Red, green, blue, alpha. Only meaningful for 16 and 32 bits; an alpha mask of 0 means opaque.
    std::array<std::uint32_t, 4> masks {};
    // Where the colour table starts (after the header and any masks that follow a 40-byte header),
    // how large an entry is (3 bytes in OS/2's core header, 4 otherwise) and how many it declares.
    qsizetype colourTableAt = 0;
    int colourEntrySize = 4;
    std::int64_t colourCount = 0;
    std::uint32_t imageSize = 0;

    // `info` starts at the header; it may run on past it (the colour table, the pixels).
    static Result<DibHeader> parse(QByteArrayView info);

    // Where the pixels start in a packed DIB: right after the colour table.
    std::int64_t packedPixelsAt() const { return colourTableAt + colourCount * colourEntrySize; }
    // Bytes in one row of uncompressed pixels, padded to four bytes.
    std::int64_t stride() const { return (width * bitCount + 31) / 32 * 4; }
};

// How a bitmap is laid out around its header: where the pixels are, and what an icon adds.
struct DibLayout {
    // The pixels, from their first byte to the end of what exists.
    QByteArrayView pixels;
    // How many colour-table entries the space before the pixels holds, when that is known (files
    // whose header says where the pixels are); -1 when only the header's count counts.
    std::int64_t colourRoom = -1;
    // An icon image: the header's height covers the picture and its AND mask, which follows the
    // pixels and makes pixels transparent.
    bool icon = false;
};

// Decodes a bitmap whose header (with masks and colour table) starts `info`.
Result<QImage> decodeDib(QByteArrayView info, const DibLayout& layout, const Limits& limits);

// A packed DIB, as metafiles and the clipboard keep them: the header, the colour table, then the
// pixels. A negative height (top-down rows) is accepted like any other.
Result<QImage> decodePackedDib(QByteArrayView dib, const Limits& limits);

// A .bmp or .dib file: the 14-byte file header ("BM") in front of a DIB.
Result<QImage> decodeBmp(QByteArrayView file, const Limits& limits);

// A PNG or JPEG inside a bitmap or an icon, handed to Qt's reader once its size passed the limits.
Result<QImage> decodeEmbedded(QByteArrayView data, const char* format, const Limits& limits);

// Sniffing: a "BM" file header, or a plausible bitmap information header with no file header.
bool looksLikeBmp(QByteArrayView head);
bool looksLikePackedDib(QByteArrayView head);

}
