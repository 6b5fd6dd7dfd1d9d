// SPDX-License-Identifier: MIT
#include "pictures/MetafileBitmap.h"

#include "pictures/PictureLimits.h"
#include "pictures/RecordBytes.h"

#include <QBuffer>
#include <QImageReader>

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

// Run-length coded bitmaps are decoded here rather than by Qt's reader, which leaves the pixels
// that a short or broken stream never reaches as whatever memory held: a different picture on
// every run. Unreached pixels are colour 0 of the table.
QImage decodeRunLength(const RecordBytes& info, const Header& h, std::span<const std::uint8_t> bits)
{
    const bool four = h.compression == 2;
    const int width = int(h.width);
    const int height = int(h.height < 0 ? -h.height : h.height);
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    image.fill(0);
    const std::size_t entries = h.colours && h.colours <= 256 ? h.colours : (four ? 16 : 256);
    QList<QRgb> table;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t at = h.size + 4 * i;
        table << qRgb(info.u8(at + 2), info.u8(at + 1), info.u8(at));
    }
    while (table.size() < 256)
        table << qRgb(0, 0, 0);
    image.setColorTable(table);
    const RecordBytes r(bits);
    std::size_t at = 0;
    int x = 0;
    int row = 0; // counted from the first row stored, which is the bottom one
    auto put = [&](int index) {
        if (x < width && row < height) {
            const int y = h.height > 0 ? height - 1 - row : row;
            image.scanLine(y)[x] = std::uint8_t(index);
        }
        ++x;
    };
    while (at + 1 < r.size() && row < height) {
        const int count = r.u8(at);
        const int value = r.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += r.u8(at);
            row += r.u8(at + 1);
            at += 2;
        } else { // absolute run of `value` pixels, padded to a whole word
            const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : std::size_t(value);
            if (!r.holds(at, bytes))
                break;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b = r.u8(at + (four ? std::size_t(i) / 2 : std::size_t(i)));
                put(four ? (i % 2 ? b & 0xF : b >> 4) : b);
            }
            at += (bytes + 1) / 2 * 2;
        }
    }
    return image;
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

// FIXME: hand the bitmap to our own DIB reader once it lands in src/pictures; until then it is
// wrapped in a BMP file header for Qt's reader, which accepts top-down (negative) heights.
MetafileBitmap::Decoded MetafileBitmap::decode(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    const RecordBytes r(info);
    Header h;
    if (!parse(r, h))
        return {};
    Decoded out;
    out.bottomUp = h.height > 0;
    constexpr std::uint32_t jpeg = 4;
    constexpr std::uint32_t png = 5;
    if (h.compression == jpeg || h.compression == png) {
        QImage image;
        if (image.loadFromData(bits.data(), int(std::min<std::size_t>(bits.size(), INT32_MAX)),
                h.compression == jpeg ? "JPEG" : "PNG"))
            out.image = image;
        out.bottomUp = false;
        return out;
    }
    constexpr std::uint32_t rle8 = 1;
    constexpr std::uint32_t rle4 = 2;
    if ((h.compression == rle8 && h.bits == 8) || (h.compression == rle4 && h.bits == 4)) {
        out.image = decodeRunLength(r, h, bits);
        return out;
    }
    const std::size_t fileSize = 14 + info.size() + bits.size();
    if (fileSize > std::size_t(INT32_MAX))
        return {};
    QByteArray file;
    file.reserve(qsizetype(fileSize));
    auto put32 = [&file](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file.append(char(v >> (8 * i) & 0xFF));
    };
    file.append("BM", 2);
    put32(std::uint32_t(fileSize));
    put32(0);
    put32(std::uint32_t(14 + info.size()));
    file.append(reinterpret_cast<const char*>(info.data()), qsizetype(info.size()));
    file.append(reinterpret_cast<const char*>(bits.data()), qsizetype(bits.size()));
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImage image;
    if (reader.read(&image))
        out.image = image;
    return out;
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
