// SPDX-License-Identifier: MIT
#include "pictures/IconDirectory.h"

#include <QIODevice>

#include <array>
#include <cstdint>

namespace pictures {

namespace {

constexpr qsizetype headerSize = 6;
constexpr qsizetype entrySize = 16;
// Real icons hold a handful of images; a directory claiming thousands is junk and would only
// make us seek around a hostile file.
constexpr int maxEntries = 256;
// Enough of an entry's image to see a BITMAPINFOHEADER or a PNG signature plus IHDR.
constexpr qsizetype peekSize = 32;

std::uint32_t le16(QByteArrayView d, qsizetype at)
{
    return std::uint8_t(d[at]) | std::uint32_t(std::uint8_t(d[at + 1])) << 8;
}

std::uint32_t le32(QByteArrayView d, qsizetype at)
{
    return le16(d, at) | le16(d, at + 2) << 16;
}

std::uint32_t be32(QByteArrayView d, qsizetype at)
{
    return std::uint32_t(std::uint8_t(d[at])) << 24 | std::uint32_t(std::uint8_t(d[at + 1])) << 16
        | std::uint32_t(std::uint8_t(d[at + 2])) << 8 | std::uint8_t(d[at + 3]);
}

bool isPng(QByteArrayView image)
{
    static constexpr std::array<char, 8> signature { '\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n' };
    return image.size() >= 8 && QByteArrayView(signature.data(), 8) == image.first(8);
}

int pngBitsPerPixel(int bitDepth, int colourType)
{
    switch (colourType) {
    case 0: return bitDepth;         // grey
    case 2: return bitDepth * 3;     // RGB
    case 3: return bitDepth;         // palette
    case 4: return bitDepth * 2;     // grey + alpha
    case 6: return bitDepth * 4;     // RGBA
    default: return 0;
    }
}

// Fills in the real size and depth from the entry's image; false when the image is unreadable.
bool describeImage(QByteArrayView image, IconDirectory::Entry& entry)
{
    if (isPng(image)) {
        if (image.size() < 26 || image.sliced(12, 4) != QByteArrayView("IHDR"))
            return false;
        const std::uint32_t w = be32(image, 16);
        const std::uint32_t h = be32(image, 20);
        if (w == 0 || h == 0 || w > 0x7fffffff || h > 0x7fffffff)
            return false;
        entry.size = QSize(int(w), int(h));
        entry.bitsPerPixel = pngBitsPerPixel(std::uint8_t(image[24]), std::uint8_t(image[25]));
        return entry.bitsPerPixel > 0;
    }
    if (image.size() < 16)
        return false;
    const std::uint32_t headerBytes = le32(image, 0);
    if (headerBytes < 40)
        return false;
    const auto w = std::int32_t(le32(image, 4));
    // The height covers the colour bitmap and the AND mask stacked on top of each other.
    const auto h = std::int32_t(le32(image, 8));
    if (w <= 0 || h <= 1)
        return false;
    entry.size = QSize(w, h / 2);
    entry.bitsPerPixel = int(le16(image, 14));
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

template<typename Fetch>
IconDirectory::Entry chooseBest(QByteArrayView header, Fetch fetch, int& count)
{
    IconDirectory::Entry best;
    count = 0;
    if (header.size() < headerSize || le16(header, 0) != 0)
        return best;
    const std::uint32_t type = le16(header, 2);
    if (type != 1 && type != 2)
        return best;
    count = int(le16(header, 4));
    const int entries = std::min(count, maxEntries);
    for (int i = 0; i < entries; ++i) {
        const QByteArray raw = fetch(headerSize + i * entrySize, entrySize);
        if (raw.size() < entrySize)
            break;
        const QByteArrayView e(raw);
        IconDirectory::Entry entry;
        entry.index = i;
        const int w = std::uint8_t(e[0]) ? std::uint8_t(e[0]) : 256;
        const int h = std::uint8_t(e[1]) ? std::uint8_t(e[1]) : 256;
        entry.size = QSize(w, h);
        // For cursors these two bytes are the hotspot, so only trust them for icons.
        entry.bitsPerPixel = type == 1 ? int(le16(e, 6)) : 0;
        const std::uint32_t bytes = le32(e, 8);
        const std::uint32_t offset = le32(e, 12);
        if (bytes == 0)
            continue;
        if (!describeImage(fetch(offset, peekSize), entry))
            continue;
        if (best.index < 0 || better(entry, best))
            best = entry;
    }
    return best;
}

}

IconDirectory IconDirectory::read(QIODevice* device)
{
    IconDirectory dir;
    if (!device || device->isSequential())
        return dir;
    const qint64 start = device->pos();
    auto fetch = [&](qint64 at, qint64 length) {
        if (!device->seek(start + at))
            return QByteArray();
        return device->read(length);
    };
    const QByteArray header = fetch(0, headerSize);
    dir.m_best = chooseBest(QByteArrayView(header), fetch, dir.m_count);
    device->seek(start);
    return dir;
}

}
