// SPDX-License-Identifier: MIT
#include "pictures/IconReader.h"

#include "pictures/ByteFields.h"
#include "pictures/DibReader.h"

#include <array>
#include <cstdint>

namespace pictures {

namespace {

constexpr qsizetype headerSize = 6;
constexpr qsizetype entrySize = 16;
// Real icons hold a handful of images; a directory claiming thousands is junk.
constexpr int maxEntries = 256;

bool isPng(QByteArrayView image)
{
    static constexpr std::array<char, 8> signature { '\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n' };
    return image.size() >= 8 && QByteArrayView(signature.data(), 8) == image.first(8);
}

int pngBitsPerPixel(int bitDepth, int colourType)
{
    switch (colourType) {
    case 0: return bitDepth;
    case 2: return bitDepth * 3;
    case 3: return bitDepth;
    case 4: return bitDepth * 2;
    case 6: return bitDepth * 4;
    default: return 0;
    }
}

// Fills in the real size and depth from the entry's image; false when the image is unreadable.
bool describeImage(QByteArrayView image, IconDirectory::Entry& entry)
{
    if (isPng(image)) {
        if (image.size() < 26 || image.sliced(12, 4) != QByteArrayView("IHDR"))
            return false;
        const std::uint32_t w = fieldsOf(image).u32be(16);
        const std::uint32_t h = fieldsOf(image).u32be(20);
        if (w == 0 || h == 0 || w > 0x7fffffff || h > 0x7fffffff)
            return false;
        entry.size = QSize(int(w), int(h));
        entry.bitsPerPixel = pngBitsPerPixel(std::uint8_t(image[24]), std::uint8_t(image[25]));
        entry.png = true;
        return entry.bitsPerPixel > 0;
    }
    if (image.size() < 16)
        return false;
    if (fieldsOf(image).u32(0) < 40)
        return false;
    const auto w = std::int32_t(fieldsOf(image).u32(4));
    // The height covers the colour bitmap and the AND mask stacked on top of each other.
    const auto h = std::int32_t(fieldsOf(image).u32(8));
    if (w <= 0 || h <= 1)
        return false;
    entry.size = QSize(w, h / 2);
    entry.bitsPerPixel = int(fieldsOf(image).u16(14));
    return entry.bitsPerPixel > 0;
}

bool better(const IconDirectory::Entry& a, const IconDirectory::Entry& b)
{
    const qint64 areaA = qint64(a.size.width()) * a.size.height();
    const qint64 areaB = qint64(b.size.width()) * b.size.height();
    if (areaA != areaB)
        return areaA > areaB;
    return a.bitsPerPixel > b.bitsPerPixel;
}

}

bool looksLikeIcon(QByteArrayView head)
{
    if (head.size() < headerSize + entrySize || fieldsOf(head).u16(0) != 0)
        return false;
    const std::uint32_t type = fieldsOf(head).u16(2);
    return (type == 1 || type == 2) && fieldsOf(head).u16(4) > 0 && std::uint8_t(head[headerSize + 3]) == 0;
}

Result<IconDirectory> IconDirectory::parse(QByteArrayView file)
{
    if (file.size() < headerSize || fieldsOf(file).u16(0) != 0)
        return Problem::NotAPicture;
    const std::uint32_t type = fieldsOf(file).u16(2);
    if (type != 1 && type != 2)
        return Problem::NotAPicture;
    IconDirectory dir;
    dir.m_count = int(fieldsOf(file).u16(4));
    const int entries = std::min(dir.m_count, maxEntries);
    for (int i = 0; i < entries; ++i) {
        const qsizetype at = headerSize + i * entrySize;
        if (at + entrySize > file.size())
            break;
        const QByteArrayView e = file.sliced(at, entrySize);
        Entry entry;
        entry.index = i;
        const int w = std::uint8_t(e[0]) ? std::uint8_t(e[0]) : 256;
        const int h = std::uint8_t(e[1]) ? std::uint8_t(e[1]) : 256;
        entry.size = QSize(w, h);
        // For cursors these two bytes are the hotspot, so only icons' are a depth.
        entry.bitsPerPixel = type == 1 ? int(fieldsOf(e).u16(6)) : 0;
        const std::uint32_t bytes = fieldsOf(e).u32(8);
        const std::uint32_t offset = fieldsOf(e).u32(12);
        // The byte count is often wrong (cursors that say 8); only an entry claiming none is skipped.
        if (bytes == 0 || offset < headerSize || offset >= file.size())
            continue;
        entry.offset = qsizetype(offset);
        if (!describeImage(file.sliced(entry.offset), entry))
            continue;
        dir.m_entries.push_back(entry);
        if (dir.m_entries.size() == 1 || better(entry, dir.m_entries[dir.m_best]))
            dir.m_best = dir.m_entries.size() - 1;
    }
    if (dir.m_entries.empty())
        return dir.m_count == 0 ? PictureError(Problem::Empty) : PictureError(Problem::Damaged);
    return dir;
}

Result<QImage> decodeIcon(QByteArrayView file, const Limits& limits)
{
    const Result<IconDirectory> dir = IconDirectory::parse(file);
    if (!dir)
        return dir.error();
    const IconDirectory::Entry& best = dir->best();
    if (!limits.allows(best.size.width(), best.size.height()))
        return PictureError::tooLarge(best.size.width(), best.size.height());
    const QByteArrayView image = file.sliced(best.offset);
    if (best.png)
        return decodeEmbedded(image, "png", limits);
    const Result<DibHeader> header = DibHeader::parse(image);
    if (!header)
        return header.error();
    const std::int64_t pixelsAt = header->packedPixelsAt();
    if (pixelsAt > image.size())
        return Problem::Damaged;
    return decodeDib(image, DibLayout { image.sliced(qsizetype(pixelsAt)), -1, true }, limits);
}

}
