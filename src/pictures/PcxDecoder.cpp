// SPDX-License-Identifier: MIT
#include "pictures/PcxDecoder.h"

#include "pictures/ByteFields.h"
#include "pictures/PictureMemory.h"

#include <QList>

#include <vector>

namespace pictures {

namespace {

constexpr std::uint8_t manufacturer = 0x0A;
constexpr std::uint8_t paletteMarker = 0x0C;
constexpr int paletteSize = 1 + 256 * 3;
constexpr int headerPaletteAt = 16;
constexpr int runFlag = 0xC0;

PictureError damaged()
{
    return PictureError(Problem::Damaged);
}

// Undoes the run-length coding one scan line at a time. Runs may carry over from one line into
// the next (several old writers do that), so a run's leftover is kept between lines.
class RunLengthReader {
public:
    RunLengthReader(QByteArrayView data, bool runLength)
        : m_data(data)
        , m_runLength(runLength)
    {
    }

    // Fills the whole line; false when the data ends first.
    bool readLine(std::uint8_t* line, qsizetype length)
    {
        qsizetype filled = 0;
        while (filled < length) {
            if (m_repeat > 0) {
                const qsizetype n = std::min<qsizetype>(m_repeat, length - filled);
                std::fill_n(line + filled, n, m_value);
                filled += n;
                m_repeat -= int(n);
                continue;
            }
            if (m_at >= m_data.size())
                return false;
            const int b = fieldsOf(m_data).u8(m_at++);
            if (!m_runLength || (b & runFlag) != runFlag) {
                line[filled++] = std::uint8_t(b);
                continue;
            }
            if (m_at >= m_data.size())
                return false;
            m_repeat = b & ~runFlag;
            m_value = std::uint8_t(fieldsOf(m_data).u8(m_at++));
        }
        return true;
    }

    qsizetype position() const { return m_at; }

private:
    QByteArrayView m_data;
    bool m_runLength;
    qsizetype m_at = 0;
    int m_repeat = 0;
    std::uint8_t m_value = 0;
};

}

bool PcxDecoder::canDecode(QByteArrayView head)
{
    if (head.size() < headerSize || fieldsOf(head).u8(0) != manufacturer)
        return false;
    const int version = fieldsOf(head).u8(1);
    const int encoding = fieldsOf(head).u8(2);
    const int bits = fieldsOf(head).u8(3);
    const int planes = fieldsOf(head).u8(65);
    return (version == 0 || version == 2 || version == 3 || version == 4 || version == 5)
        && (encoding == 0 || encoding == 1) && (bits == 1 || bits == 2 || bits == 4 || bits == 8)
        && planes >= 1 && planes <= 4;
}

Result<PcxDecoder> PcxDecoder::create(QByteArrayView data, const Limits& limits)
{
    if (!canDecode(data))
        return Problem::NotAPicture;
    PcxDecoder d;
    d.m_data = data;
    d.m_version = fieldsOf(data).u8(1);
    d.m_runLength = fieldsOf(data).u8(2) == 1;
    d.m_bitsPerPixel = fieldsOf(data).u8(3);
    d.m_planes = fieldsOf(data).u8(65);
    d.m_bytesPerLine = fieldsOf(data).u16(66);
    const int xMin = fieldsOf(data).u16(4);
    const int yMin = fieldsOf(data).u16(6);
    const int xMax = fieldsOf(data).u16(8);
    const int yMax = fieldsOf(data).u16(10);
    if (xMax < xMin || yMax < yMin)
        return damaged();
    const std::int64_t width = std::int64_t(xMax) - xMin + 1;
    const std::int64_t height = std::int64_t(yMax) - yMin + 1;
    if (!limits.allows(width, height))
        return PictureError::tooLarge(width, height);
    d.m_width = int(width);
    d.m_height = int(height);
    if (d.m_bytesPerLine < (width * d.m_bitsPerPixel + 7) / 8)
        return damaged();

    if (d.m_bitsPerPixel == 1 && d.m_planes == 1)
        d.m_layout = Layout::Mono;
    else if (d.m_bitsPerPixel == 1)
        d.m_layout = Layout::Planar;
    else if (d.m_bitsPerPixel < 8 && d.m_planes == 1)
        d.m_layout = Layout::Packed;
    else if (d.m_bitsPerPixel == 8 && d.m_planes == 1)
        d.m_layout = Layout::Indexed8;
    else if (d.m_bitsPerPixel == 8 && d.m_planes == 3)
        d.m_layout = Layout::Rgb;
    else if (d.m_bitsPerPixel == 8 && d.m_planes == 4)
        d.m_layout = Layout::Rgba;
    else
        return PictureError::unsupported(std::to_string(d.m_planes) + " planes of " + std::to_string(d.m_bitsPerPixel)
            + " bits");
    return d;
}

QImage::Format PcxDecoder::format() const
{
    switch (m_layout) {
    case Layout::Mono: return QImage::Format_Mono;
    case Layout::Planar:
    case Layout::Packed:
    case Layout::Indexed8: return QImage::Format_Indexed8;
    case Layout::Rgb: return QImage::Format_RGB32;
    case Layout::Rgba: return QImage::Format_ARGB32;
    case Layout::Unsupported: break;
    }
    return QImage::Format_Invalid;
}

Result<QImage> PcxDecoder::decode(const Limits& limits) const
{

    QByteArrayView pixels = m_data.sliced(headerSize);
    QList<QRgb> colours;
    bool paletteExpected = false;
    if (m_layout == Layout::Indexed8) {
        // Version 5 keeps a 256-colour palette after the pixels; older files are grey.
        const qsizetype at = m_data.size() - paletteSize;
        if (m_version >= 5 && at >= headerSize && fieldsOf(m_data).u8(at) == paletteMarker) {
            for (int i = 0; i < 256; ++i)
                colours.append(qRgb(fieldsOf(m_data).u8(at + 1 + 3 * i), fieldsOf(m_data).u8(at + 2 + 3 * i),
                    fieldsOf(m_data).u8(at + 3 + 3 * i)));
            pixels = m_data.sliced(headerSize, at - headerSize);
        } else {
            paletteExpected = m_version >= 5;
            for (int i = 0; i < 256; ++i)
                colours.append(qRgb(i, i, i));
        }
    } else if (m_layout == Layout::Planar || m_layout == Layout::Packed) {
        for (int i = 0; i < 16; ++i)
            colours.append(qRgb(fieldsOf(m_data).u8(headerPaletteAt + 3 * i), fieldsOf(m_data).u8(headerPaletteAt + 1 + 3 * i),
                fieldsOf(m_data).u8(headerPaletteAt + 2 + 3 * i)));
    } else if (m_layout == Layout::Mono) {
        colours = { qRgb(0, 0, 0), qRgb(255, 255, 255) };
    }

    const qsizetype lineLength = qsizetype(m_bytesPerLine) * m_planes;
    // A run of two bytes yields at most 63; data too short to fill the picture even so is cut
    // short, and we find out before allocating what the header asked for.
    const std::int64_t needed = std::int64_t(lineLength) * m_height;
    if (std::int64_t(pixels.size()) < (m_runLength ? needed / 63 : needed))
        return damaged();

    Result<QImage> allocated = allocatePicture(m_width, m_height, format(), limits);
    if (!allocated)
        return allocated.error();
    QImage image = std::move(allocated).value();
    if (!colours.isEmpty())
        image.setColorTable(colours);

    std::vector<std::uint8_t> line(std::size_t(lineLength), 0);
    RunLengthReader reader(pixels, m_runLength);
    for (int y = 0; y < m_height; ++y) {
        if (!reader.readLine(line.data(), lineLength))
            return damaged();
        uchar* out = image.scanLine(y);
        switch (m_layout) {
        case Layout::Mono:
            std::copy_n(line.data(), (m_width + 7) / 8, out);
            break;
        case Layout::Planar:
            // Bit x of each plane is one bit of pixel x's colour index, plane 0 the lowest.
            for (int x = 0; x < m_width; ++x) {
                int index = 0;
                const int mask = 0x80 >> (x & 7);
                for (int p = 0; p < m_planes; ++p) {
                    if (line[std::size_t(p * m_bytesPerLine + (x >> 3))] & mask)
                        index |= 1 << p;
                }
                out[x] = uchar(index);
            }
            break;
        case Layout::Packed: {
            const int perByte = 8 / m_bitsPerPixel;
            const int valueMask = (1 << m_bitsPerPixel) - 1;
            for (int x = 0; x < m_width; ++x) {
                const int shift = 8 - m_bitsPerPixel * (x % perByte + 1);
                out[x] = uchar((line[std::size_t(x / perByte)] >> shift) & valueMask);
            }
            break;
        }
        case Layout::Indexed8:
            std::copy_n(line.data(), m_width, out);
            break;
        case Layout::Rgb:
        case Layout::Rgba: {
            auto* rgb = reinterpret_cast<QRgb*>(out);
            const std::uint8_t* r = line.data();
            const std::uint8_t* g = r + m_bytesPerLine;
            const std::uint8_t* b = g + m_bytesPerLine;
            const std::uint8_t* a = m_layout == Layout::Rgba ? b + m_bytesPerLine : nullptr;
            for (int x = 0; x < m_width; ++x)
                rgb[x] = qRgba(r[x], g[x], b[x], a ? a[x] : 255);
            break;
        }
        case Layout::Unsupported:
            return Problem::Unsupported;
        }
    }
    // A version 5 file either ends right after its pixels (the writer left the palette off) or
    // carries a whole palette; anything in between is a file cut short.
    if (paletteExpected && reader.position() != pixels.size())
        return damaged();
    return image;
}

}
