// SPDX-License-Identifier: MIT
#include "pictures/DibReader.h"

#include "pictures/ByteFields.h"
#include "pictures/PictureMemory.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <bit>
#include <vector>

namespace pictures {

namespace {

constexpr qsizetype fileHeaderSize = 14;
constexpr QRgb opaqueBlack = 0xff000000;

bool isWindowsHeader(std::uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool isOs2Header(std::uint32_t size)
{
    return size == 12 || (size >= 16 && size <= 64 && size % 4 == 0 && !isWindowsHeader(size));
}

// One channel of a bitfield layout: the mask's bits taken out and scaled exactly to 0..255, however
// many there are (a 5-bit 31 is 255, not 248; a 10-bit 1023 is 255).
class Channel {
public:
    Channel(std::uint32_t mask, std::uint8_t absent)
        : m_mask(mask)
        , m_shift(mask ? std::countr_zero(mask) : 0)
        , m_max(mask ? mask >> m_shift : 0)
        , m_absent(absent)
    {
        if (m_max > 0 && m_max < 0x10000) {
            m_table.resize(std::size_t(m_max) + 1);
            for (std::uint32_t v = 0; v <= m_max; ++v)
                m_table[v] = scale(v);
        }
    }

    std::uint8_t operator()(std::uint32_t pixel) const
    {
        if (m_max == 0)
            return m_absent;
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        return m_table.empty() ? scale(v) : m_table[v];
    }

private:
    std::uint8_t scale(std::uint32_t v) const
    {
        // Rounded to nearest; masks with holes scale by their span, which keeps 0 and all-ones exact.
        return std::uint8_t((std::uint64_t(v) * 510 + m_max) / (std::uint64_t(m_max) * 2));
    }

    std::uint32_t m_mask;
    int m_shift;
    std::uint32_t m_max;
    std::uint8_t m_absent;
    std::vector<std::uint8_t> m_table;
};

}

Result<QImage> decodeEmbedded(QByteArrayView data, const char* format, const Limits& limits)
{
    QByteArray bytes = data.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid())
        return Problem::Damaged;
    if (!limits.allows(size.width(), size.height()))
        return PictureError::tooLarge(size.width(), size.height());
    QImage image = reader.read();
    if (image.isNull())
        return Problem::Damaged;
    return image;
}

namespace {

// The colour table as the pixels will use it: indexes beyond what the file holds are black.
std::vector<QRgb> colourTable(QByteArrayView info, const DibHeader& h, std::int64_t room)
{
    std::vector<QRgb> colours(256, opaqueBlack);
    std::int64_t count = std::min<std::int64_t>(h.colourCount, 256);
    if (room >= 0)
        count = std::min(count, room);
    const qsizetype available = std::max<qsizetype>(0, info.size() - h.colourTableAt) / h.colourEntrySize;
    count = std::min<std::int64_t>(count, available);
    for (std::int64_t i = 0; i < count; ++i) {
        const qsizetype at = h.colourTableAt + qsizetype(i) * h.colourEntrySize;
        colours[std::size_t(i)] = qRgb(int(fieldsOf(info).u8(at + 2)), int(fieldsOf(info).u8(at + 1)), int(fieldsOf(info).u8(at)));
    }
    return colours;
}

QRgb* lineOf(QImage& image, const DibHeader& h, std::int64_t row)
{
    const int y = int(h.topDown ? row : h.height - 1 - row);
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void decodeIndexedRow(const std::uint8_t* in, QRgb* out, int width, int bits, const std::vector<QRgb>& colours)
{
    if (bits == 8) {
        for (int x = 0; x < width; ++x)
            out[x] = colours[in[x]];
        return;
    }
    const int perByte = 8 / bits;
    const int valueMask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x] = colours[std::size_t((in[x / perByte] >> shift) & valueMask)];
    }
}

}

Result<DibHeader> DibHeader::parse(QByteArrayView info)
{
    if (info.size() < 4)
        return Problem::Damaged;
    DibHeader h;
    const std::uint32_t size = fieldsOf(info).u32(0);
    if (!isWindowsHeader(size) && !isOs2Header(size))
        return size > 124 && size < 4096 ? PictureError::unsupported("a " + std::to_string(size) + "-byte header")
                                         : PictureError(Problem::Damaged);
    if (info.size() < qsizetype(size))
        return Problem::Damaged;
    h.headerSize = int(size);
    int planes = 0;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    if (size == 12) {
        h.width = fieldsOf(info).u16(4);
        h.height = fieldsOf(info).u16(6);
        planes = int(fieldsOf(info).u16(8));
        h.bitCount = int(fieldsOf(info).u16(10));
        h.colourEntrySize = 3;
    } else {
        h.width = std::int32_t(fieldsOf(info).u32(4));
        const std::int32_t height = std::int32_t(fieldsOf(info).u32(8));
        h.topDown = height < 0;
        h.height = h.topDown ? -std::int64_t(height) : height;
        planes = int(fieldsOf(info).u16(12));
        h.bitCount = int(fieldsOf(info).u16(14));
        compression = size >= 20 ? fieldsOf(info).u32(16) : 0;
        h.imageSize = size >= 24 ? fieldsOf(info).u32(20) : 0;
        clrUsed = size >= 36 ? fieldsOf(info).u32(32) : 0;
    }
    if (planes != 1)
        return Problem::Damaged;
    // A JPEG or PNG inside says its own depth; the header's is 0.
    const bool embedded = !isOs2Header(size) && (compression == 4 || compression == 5);
    switch (embedded ? 24 : h.bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    case 64: return PictureError::unsupported("64 bits a pixel");
    default: return Problem::Damaged;
    }

    h.colourTableAt = qsizetype(size);
    const bool os2 = isOs2Header(size);
    if (os2) {
        switch (compression) {
        case 0: break;
        case 1: h.compression = Compression::Rle8; break;
        case 2: h.compression = Compression::Rle4; break;
        case 3: return PictureError::unsupported("OS/2 Huffman coding");
        case 4: h.compression = Compression::Rle24; break;
        default: return Problem::Damaged;
        }
    } else {
        switch (compression) {
        case 0: break;
        case 1: h.compression = Compression::Rle8; break;
        case 2: h.compression = Compression::Rle4; break;
        case 3:
        case 6:
            h.compression = Compression::Bitfields;
            // A 40-byte header keeps its masks after itself; the longer ones hold them inside.
            if (size == 40) {
                const int count = compression == 6 ? 4 : 3;
                if (info.size() < 40 + 4 * count)
                    return Problem::Damaged;
                for (int i = 0; i < count; ++i)
                    h.masks[std::size_t(i)] = fieldsOf(info).u32(40 + 4 * i);
                h.colourTableAt += 4 * count;
            }
            break;
        case 4: h.compression = Compression::Jpeg; break;
        case 5: h.compression = Compression::Png; break;
        case 11:
        case 12:
        case 13: return PictureError::unsupported("CMYK");
        default: return PictureError::unsupported("compression " + std::to_string(compression));
        }
        if (size >= 52 && h.compression == Compression::Bitfields) {
            for (int i = 0; i < 3; ++i)
                h.masks[std::size_t(i)] = fieldsOf(info).u32(40 + 4 * i);
        }
        if (size >= 56 && h.compression == Compression::Bitfields)
            h.masks[3] = fieldsOf(info).u32(52);
    }

    const bool fits = (h.compression == Compression::Rle8 && h.bitCount == 8)
        || (h.compression == Compression::Rle4 && h.bitCount == 4)
        || (h.compression == Compression::Rle24 && h.bitCount == 24)
        || (h.compression == Compression::Bitfields && (h.bitCount == 16 || h.bitCount == 32))
        || h.compression == Compression::None || h.compression == Compression::Jpeg
        || h.compression == Compression::Png;
    if (!fits)
        return Problem::Damaged;
    if ((h.compression == Compression::Rle8 || h.compression == Compression::Rle4 || h.compression == Compression::Rle24)
        && h.topDown)
        return PictureError::unsupported("top-down run-length coding");

    if (h.compression == Compression::None && h.bitCount == 16)
        h.masks = { 0x7c00, 0x03e0, 0x001f, 0 };
    else if (h.compression == Compression::None && h.bitCount == 32)
        h.masks = { 0xff0000, 0xff00, 0xff, 0 };
    else if (h.compression == Compression::None && h.bitCount == 24)
        h.masks = { 0xff0000, 0xff00, 0xff, 0 };

    if (h.bitCount <= 8)
        h.colourCount = clrUsed == 0 ? std::int64_t(1) << h.bitCount : std::int64_t(clrUsed);
    else
        h.colourCount = clrUsed;
    // Counts beyond the bytes that exist are damage, not a reason to look past the end.
    if (h.colourCount > 65536)
        return Problem::Damaged;
    return h;
}

namespace {

// Run-length coded pixels, handed to a sink as runs: fill(x, row, n, value, direct) with n already
// cut to the row's width. `direct` says the value is a colour (RLE24), not a palette index.
template<typename Sink>
void runRle(QByteArrayView d, const DibHeader& h, Sink&& fill)
{
    std::int64_t x = 0;
    std::int64_t row = 0;
    qsizetype at = 0;
    const int kind = h.compression == DibHeader::Compression::Rle8 ? 8 : h.compression == DibHeader::Compression::Rle4 ? 4 : 24;
    const auto room = [&](std::int64_t n) { return std::max<std::int64_t>(0, std::min(n, h.width - x)); };
    while (row < h.height && at + 2 <= d.size()) {
        const std::uint32_t count = fieldsOf(d).u8(at);
        const std::uint32_t code = fieldsOf(d).u8(at + 1);
        at += 2;
        if (count > 0) {
            if (kind == 24) {
                // The code byte is the blue of the run's colour.
                if (at + 2 > d.size())
                    return;
                const QRgb c = qRgb(int(fieldsOf(d).u8(at + 1)), int(fieldsOf(d).u8(at)), int(code));
                at += 2;
                fill(x, row, room(count), c, true);
            } else if (kind == 8) {
                fill(x, row, room(count), code, false);
            } else if (code >> 4 == (code & 15)) {
                fill(x, row, room(count), code & 15, false);
            } else {
                const std::int64_t n = room(count);
                for (std::int64_t i = 0; i < n; ++i)
                    fill(x + i, row, 1, i % 2 ? code & 15 : code >> 4, false);
            }
            x += count;
            continue;
        }
        switch (code) {
        case 0:
            x = 0;
            ++row;
            break;
        case 1: return;
        case 2:
            if (at + 2 > d.size())
                return;
            x += fieldsOf(d).u8(at);
            row += fieldsOf(d).u8(at + 1);
            at += 2;
            break;
        default: {
            // An absolute run of `code` pixels, padded to a whole number of 16-bit words.
            const std::int64_t bytes = kind == 8 ? code : kind == 4 ? (code + 1) / 2 : std::int64_t(code) * 3;
            const std::int64_t have = std::min<std::int64_t>(bytes, d.size() - at);
            for (std::uint32_t i = 0; i < code; ++i) {
                if (kind == 8) {
                    if (i >= have)
                        return;
                    if (x < h.width)
                        fill(x, row, 1, fieldsOf(d).u8(at + i), false);
                } else if (kind == 4) {
                    if (i / 2 >= have)
                        return;
                    const std::uint32_t b = fieldsOf(d).u8(at + i / 2);
                    if (x < h.width)
                        fill(x, row, 1, i % 2 ? b & 15 : b >> 4, false);
                } else {
                    if (3 * i + 3 > have)
                        return;
                    const qsizetype p = at + 3 * i;
                    if (x < h.width)
                        fill(x, row, 1, qRgb(int(fieldsOf(d).u8(p + 2)), int(fieldsOf(d).u8(p + 1)), int(fieldsOf(d).u8(p))), true);
                }
                ++x;
            }
            at += qsizetype(bytes + (bytes & 1));
            break;
        }
        }
    }
}

// Decodes run-length coding. Every pixel is written at most once (the position only moves
// forward), so counting the pixels written tells whether the data reached them all. When it did,
// the picture stays indexed, as compact and quick as the file; when it did not, the pixels it
// never reached are transparent, which a palette of 256 colours may have no room for.
Result<QImage> decodeRle(const DibHeader& h, QByteArrayView pixels, const std::vector<QRgb>& colours, const Limits& limits)
{
    if (h.compression != DibHeader::Compression::Rle24) {
        Result<QImage> allocated = allocatePicture(h.width, h.height, QImage::Format_Indexed8, limits);
        if (!allocated)
            return allocated.error();
        QImage image = std::move(allocated).value();
        uchar* bits = image.bits();
        const qsizetype perLine = image.bytesPerLine();
        std::fill_n(bits, perLine * image.height(), uchar(0));
        std::int64_t written = 0;
        runRle(pixels, h, [&](std::int64_t x, std::int64_t row, std::int64_t n, std::uint32_t value, bool) {
            const std::int64_t y = h.topDown ? row : h.height - 1 - row;
            std::fill_n(bits + y * perLine + x, n, uchar(value));
            written += n;
        });
        if (written == h.width * h.height) {
            image.setColorTable(QList<QRgb>(colours.begin(), colours.end()));
            return image;
        }
    }
    Result<QImage> allocated = allocatePicture(h.width, h.height, QImage::Format_ARGB32, limits);
    if (!allocated)
        return allocated.error();
    QImage image = std::move(allocated).value();
    image.fill(0);
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype perLine = image.bytesPerLine() / 4;
    runRle(pixels, h, [&](std::int64_t x, std::int64_t row, std::int64_t n, std::uint32_t value, bool direct) {
        const std::int64_t y = h.topDown ? row : h.height - 1 - row;
        std::fill_n(bits + y * perLine + x, n, direct ? QRgb(value) : colours[value & 0xff]);
    });
    return image;
}

QImage::Format formatFor(const DibHeader& h)
{
    return h.masks[3] != 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

void applyMask(QImage& image, const DibHeader& h, QByteArrayView mask)
{
    const std::int64_t stride = (h.width + 31) / 32 * 4;
    for (std::int64_t row = 0; row < h.height; ++row) {
        const std::int64_t at = row * stride;
        if (at + (h.width + 7) / 8 > mask.size())
            return;
        QRgb* out = lineOf(image, h, row);
        for (std::int64_t x = 0; x < h.width; ++x) {
            if (fieldsOf(mask).u8(qsizetype(at + x / 8)) & (0x80u >> (x % 8)))
                out[x] = 0;
        }
    }
}

}

Result<QImage> decodeDib(QByteArrayView info, const DibLayout& layout, const Limits& limits)
{
    Result<DibHeader> parsed = DibHeader::parse(info);
    if (!parsed)
        return parsed.error();
    DibHeader h = parsed.value();
    if (layout.icon) {
        // The header's height counts the picture and its mask.
        h.height /= 2;
    }
    if (h.compression == DibHeader::Compression::Jpeg)
        return decodeEmbedded(layout.pixels, "jpeg", limits);
    if (h.compression == DibHeader::Compression::Png)
        return decodeEmbedded(layout.pixels, "png", limits);
    if (h.width < 0)
        return Problem::Damaged;

    const QByteArrayView pixels = layout.pixels;
    const bool rle = h.compression == DibHeader::Compression::Rle8 || h.compression == DibHeader::Compression::Rle4
        || h.compression == DibHeader::Compression::Rle24;
    // Too large says more than damaged: a header claiming a huge picture is refused as that,
    // whether or not its pixels are there.
    if (h.width > 0 && h.height > 0 && !limits.allows(h.width, h.height))
        return PictureError::tooLarge(h.width, h.height);
    if (h.width > 0 && h.height > 0 && !rle) {
        const std::int64_t rowBytes = (h.width * h.bitCount + 7) / 8;
        // Some writers leave off the padding of the last row; that much is forgiven. Checked
        // before allocating, so a short file cannot make us reserve what it never fills.
        if (std::int64_t(pixels.size()) < h.stride() * (h.height - 1) + rowBytes)
            return Problem::Damaged;
    }
    const std::vector<QRgb> colours = h.bitCount <= 8 ? colourTable(info, h, layout.colourRoom) : std::vector<QRgb>();
    if (rle && !layout.icon)
        return decodeRle(h, pixels, colours, limits);
    if (rle)
        return PictureError::unsupported("run-length coded icons");
    QImage::Format format = formatFor(h);
    if (layout.icon)
        format = QImage::Format_ARGB32;
    Result<QImage> allocated = allocatePicture(h.width, h.height, format, limits);
    if (!allocated)
        return allocated.error();
    QImage image = std::move(allocated).value();
    const int width = int(h.width);

    const std::int64_t stride = h.stride();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels.data());
    if (h.bitCount <= 8) {
        for (std::int64_t row = 0; row < h.height; ++row)
            decodeIndexedRow(bytes + row * stride, lineOf(image, h, row), width, h.bitCount, colours);
    } else if (h.bitCount == 24) {
        for (std::int64_t row = 0; row < h.height; ++row) {
            const std::uint8_t* in = bytes + row * stride;
            QRgb* out = lineOf(image, h, row);
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = 0xff000000u | std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        }
    } else if (h.bitCount == 32 && h.masks == std::array<std::uint32_t, 4> { 0xff0000, 0xff00, 0xff, 0 }) {
        for (std::int64_t row = 0; row < h.height; ++row) {
            const std::uint8_t* in = bytes + row * stride;
            QRgb* out = lineOf(image, h, row);
            for (int x = 0; x < width; ++x, in += 4)
                out[x] = 0xff000000u | std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        }
    } else {
        const Channel red(h.masks[0], 0);
        const Channel green(h.masks[1], 0);
        const Channel blue(h.masks[2], 0);
        const Channel opacity(h.masks[3], 255);
        const int step = h.bitCount / 8;
        for (std::int64_t row = 0; row < h.height; ++row) {
            const std::uint8_t* in = bytes + row * stride;
            QRgb* out = lineOf(image, h, row);
            for (int x = 0; x < width; ++x, in += step) {
                const std::uint32_t p = step == 2 ? std::uint32_t(in[0] | in[1] << 8)
                                                  : std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8
                        | std::uint32_t(in[2]) << 16 | std::uint32_t(in[3]) << 24;
                out[x] = qRgba(red(p), green(p), blue(p), opacity(p));
            }
        }
    }

    if (layout.icon) {
        // A 32-bit icon carries its own alpha; one whose alpha is all zero was drawn for the mask.
        bool useMask = true;
        if (h.bitCount == 32) {
            for (std::int64_t row = 0; row < h.height && useMask; ++row) {
                const std::uint8_t* in = bytes + row * stride;
                for (int x = 0; x < width && useMask; ++x)
                    useMask = in[4 * x + 3] == 0;
            }
            for (std::int64_t row = 0; row < h.height && !useMask; ++row) {
                const std::uint8_t* in = bytes + row * stride;
                QRgb* out = lineOf(image, h, row);
                for (int x = 0; x < width; ++x)
                    out[x] = (out[x] & 0xffffffu) | std::uint32_t(in[4 * x + 3]) << 24;
            }
        }
        if (useMask) {
            const std::int64_t maskAt = stride * h.height;
            if (maskAt < pixels.size())
                applyMask(image, h, pixels.sliced(qsizetype(maskAt)));
        }
    }
    return image;
}

Result<QImage> decodePackedDib(QByteArrayView dib, const Limits& limits)
{
    Result<DibHeader> h = DibHeader::parse(dib);
    if (!h)
        return h.error();
    const std::int64_t at = h->packedPixelsAt();
    if (at > dib.size())
        return Problem::Damaged;
    return decodeDib(dib, DibLayout { dib.sliced(qsizetype(at)), -1, false }, limits);
}

Result<QImage> decodeBmp(QByteArrayView file, const Limits& limits)
{
    if (!looksLikeBmp(file) || file.size() < fileHeaderSize + 4)
        return Problem::NotAPicture;
    const QByteArrayView info = file.sliced(fileHeaderSize);
    Result<DibHeader> h = DibHeader::parse(info);
    if (!h)
        return h.error();
    const std::int64_t offset = fieldsOf(file).u32(10);
    if (offset < fileHeaderSize + h->headerSize || offset > file.size())
        return Problem::Damaged;
    const std::int64_t tableAt = fileHeaderSize + h->colourTableAt;
    const std::int64_t room = offset >= tableAt ? (offset - tableAt) / h->colourEntrySize : 0;
    return decodeDib(info, DibLayout { file.sliced(qsizetype(offset)), room, false }, limits);
}

bool looksLikeBmp(QByteArrayView head)
{
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

bool looksLikePackedDib(QByteArrayView head)
{
    if (head.size() < 16)
        return false;
    const std::uint32_t size = fieldsOf(head).u32(0);
    if (size == 12)
        return fieldsOf(head).u16(8) == 1 && fieldsOf(head).u16(10) >= 1 && fieldsOf(head).u16(10) <= 32;
    if (!isWindowsHeader(size) && !isOs2Header(size))
        return false;
    return fieldsOf(head).u16(12) == 1 && fieldsOf(head).u16(14) >= 1 && fieldsOf(head).u16(14) <= 64;
}

}
