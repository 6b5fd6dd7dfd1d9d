// SPDX-License-Identifier: MIT
#include "pictures/MetafileBitmap.h"

#include "pictures/DibReader.h"
#include "pictures/PictureLimits.h"
#include "pictures/RecordBytes.h"

namespace pictures {

namespace {

struct Header {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colours = 0;
};

bool parse(const RecordBytes& r, Header& h)
{
    h.size = r.u32(0);
    if (h.size == 12) {
        h.width = r.u16(4);
        h.height = r.u16(6);
        h.bits = r.u16(10);
    } else if (h.size >= 40 && h.size <= 124) {
        h.width = r.s32(4);
        h.height = r.s32(8);
        h.bits = r.u16(14);
        h.compression = r.u32(16);
        h.colours = r.u32(32);
    } else {
        return false;
    }
    const std::int64_t height = h.height < 0 ? -h.height : h.height;
    return r.holds(0, h.size) && h.width > 0 && height > 0 && PictureLimits::allows(h.width, height);
}

}

std::size_t MetafileBitmap::infoSize(std::span<const std::uint8_t> dib)
{
    const RecordBytes r(dib);
    Header h;
    if (!parse(r, h))
        return 0;
    std::size_t table = 0;
    if (h.bits <= 8)
        table = (h.colours && h.colours <= 256 ? h.colours : 1u << h.bits) * (h.size == 12 ? 3 : 4);
    if (h.compression == 3 && h.size == 40)
        table += 12;
    else if (h.compression == 6 && h.size == 40)
        table += 16;
    const std::size_t total = h.size + table;
    return total <= dib.size() ? total : 0;
}

MetafileBitmap::Decoded MetafileBitmap::decodePacked(std::span<const std::uint8_t> dib)
{
    const std::size_t info = infoSize(dib);
    if (info == 0)
        return {};
    return decode(dib.first(info), dib.subspan(info));
}

// The bitmap reader that reads .bmp files reads these too, so a bitmap inside a metafile looks as it
// would on its own (run-length pixels the data never reaches stay transparent, leaving what was
// drawn beneath).
MetafileBitmap::Decoded MetafileBitmap::decode(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    const RecordBytes r(info);
    Header h;
    if (!parse(r, h))
        return {};
    DibLayout layout;
    layout.pixels = QByteArrayView(bits.data(), qsizetype(bits.size()));
    Result<QImage> image = decodeDib(QByteArrayView(info.data(), qsizetype(info.size())), layout, Limits {});
    if (!image)
        return {};
    constexpr std::uint32_t jpeg = 4;
    constexpr std::uint32_t png = 5;
    const bool embedded = h.compression == jpeg || h.compression == png;
    return { std::move(image).value(), h.height > 0 && !embedded };
}

MetafileBitmap::Decoded MetafileBitmap::decodeWithAlpha(
    std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    const RecordBytes r(info);
    Header h;
    if (!parse(r, h) || h.bits != 32 || (h.compression != 0 && h.compression != 3))
        return decode(info, bits);
    const std::int64_t height = h.height < 0 ? -h.height : h.height;
    const std::size_t stride = std::size_t(h.width) * 4;
    if (bits.size() / stride < std::size_t(height))
        return {};
    QImage image(int(h.width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y) {
        const std::size_t row = std::size_t(h.height > 0 ? image.height() - 1 - y : y);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* p = bits.data() + row * stride;
        for (int x = 0; x < image.width(); ++x, p += 4) {
            const int a = p[3];
            // Premultiplied colours above their alpha are repaired rather than left to wrap.
            line[x] = qRgba(std::min<int>(p[2], a), std::min<int>(p[1], a), std::min<int>(p[0], a), a);
        }
    }
    return { image, h.height > 0 };
}

}
