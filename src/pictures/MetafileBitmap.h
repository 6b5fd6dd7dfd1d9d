// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <cstdint>
#include <span>

namespace pictures {

// The device-independent bitmaps inside metafile records.
class MetafileBitmap {
public:
    struct Decoded {
        QImage image;
        // Rows stored bottom-up, so that StretchDIBits' source y counts from the bottom.
        bool bottomUp = true;
    };

    // A BITMAPINFO (header and colour table) and the pixel bits that go with it; a null image
    // when they do not make a bitmap or it is over the picture limits.
    static Decoded decode(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);
    // A packed DIB, colour table and bits following the header, as WMF records carry it.
    static Decoded decodePacked(std::span<const std::uint8_t> dib);
    // 32-bit rows with premultiplied alpha, as AlphaBlend reads them.
    static Decoded decodeWithAlpha(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);
    // Bytes of the header and colour table at the start of a packed DIB; 0 when it has none.
    static std::size_t infoSize(std::span<const std::uint8_t> dib);
};

}
