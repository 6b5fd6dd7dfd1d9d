// SPDX-License-Identifier: MIT
#include "pictures/DecodeCheck.h"

#include <cstdint>

namespace pictures {

namespace {

std::uint8_t byteAt(QByteArrayView bytes, qsizetype at)
{
    return static_cast<std::uint8_t>(bytes[at]);
}

bool isTiff(QByteArrayView bytes)
{
    return bytes.size() >= 8
        && ((bytes.first(4) == QByteArrayView("II*\0", 4)) || (bytes.first(4) == QByteArrayView("MM\0*", 4)));
}

}

int DecodeCheck::jpegScans(QByteArrayView bytes)
{
    if (bytes.size() < 4 || byteAt(bytes, 0) != 0xFF || byteAt(bytes, 1) != 0xD8)
        return -1;
    int scans = 0;
    qsizetype at = 2;
    while (at + 1 < bytes.size()) {
        if (byteAt(bytes, at) != 0xFF) {
            ++at;
            continue;
        }
        const std::uint8_t marker = byteAt(bytes, at + 1);
        // Fill bytes before a marker, and markers that carry no length.
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD9)
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (at + 3 >= bytes.size())
            break;
        const qsizetype length = (qsizetype(byteAt(bytes, at + 2)) << 8) | byteAt(bytes, at + 3);
        at += 2 + length;
        if (marker != 0xDA)
            continue;
        ++scans;
        // The entropy-coded data after the scan header ends at the first marker that is neither a
        // stuffed zero nor a restart marker; the loop above then reads that marker.
        while (at + 1 < bytes.size()) {
            if (byteAt(bytes, at) == 0xFF) {
                const std::uint8_t next = byteAt(bytes, at + 1);
                if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF)
                    break;
            }
            ++at;
        }
    }
    return scans;
}

PictureError DecodeCheck::checkTiff(QByteArrayView bytes, const Limits& limits)
{
    if (!isTiff(bytes))
        return {};
    const bool little = bytes[0] == 'I';
    const auto read = [&](qsizetype at, int size) -> std::int64_t {
        if (at < 0 || at + size > bytes.size())
            return -1;
        std::uint64_t value = 0;
        for (int k = 0; k < size; ++k) {
            const std::uint64_t b = byteAt(bytes, at + (little ? size - 1 - k : k));
            value = (value << 8) | b;
        }
        return std::int64_t(value);
    };
    const std::int64_t directory = read(4, 4);
    const std::int64_t entries = read(directory, 2);
    if (directory < 0 || entries <= 0)
        return PictureError(Problem::Damaged);
    std::int64_t width = -1;
    std::int64_t height = -1;
    std::int64_t bitsPerSample = 1;
    std::int64_t samplesPerPixel = 1;
    for (std::int64_t e = 0; e < entries; ++e) {
        const qsizetype entry = qsizetype(directory + 2 + e * 12);
        const std::int64_t tag = read(entry, 2);
        const std::int64_t type = read(entry + 2, 2);
        const std::int64_t count = read(entry + 4, 4);
        if (tag < 0 || type < 0 || count < 0)
            return PictureError(Problem::Damaged);
        // SHORT (3) and LONG (4) values; a SHORT list longer than two lies elsewhere, and its
        // first value is the one that matters here.
        const int size = type == 3 ? 2 : type == 4 ? 4 : 0;
        if (size == 0 || count < 1)
            continue;
        std::int64_t value = count * size <= 4 ? read(entry + 8, size) : read(read(entry + 8, 4), size);
        switch (tag) {
        case 256: width = value; break;
        case 257: height = value; break;
        case 258: bitsPerSample = value; break;
        case 277: samplesPerPixel = value; break;
        default: break;
        }
    }
    if (width <= 0 || height <= 0)
        return PictureError(Problem::Damaged);
    if (!limits.allows(width, height))
        return PictureError::tooLarge(width, height);
    // Qt's reader holds the picture twice while it converts it, and deep samples pass through an
    // image of 16 bits a channel: the peak is what must fit.
    const std::int64_t pixels = width * height;
    const std::int64_t peak = pixels * Limits::bytesPerPixel * 2 + (bitsPerSample > 8 ? pixels * 8 : 0)
        + (samplesPerPixel > 4 ? pixels * samplesPerPixel * ((bitsPerSample + 7) / 8) : 0);
    if (peak > limits.maxBytes)
        return PictureError::tooLarge(width, height);
    return {};
}

PictureError DecodeCheck::check(QByteArrayView bytes, const Limits& limits)
{
    const int scans = jpegScans(bytes);
    if (scans > maxJpegScans) {
        return PictureError::unsupported("a progressive JPEG of " + std::to_string(scans) + " scans, more than "
                                         + std::to_string(maxJpegScans));
    }
    return checkTiff(bytes, limits);
}

}
