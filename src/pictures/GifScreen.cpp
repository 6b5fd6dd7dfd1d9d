// SPDX-License-Identifier: MIT
#include "pictures/GifScreen.h"

#include "pictures/ByteFields.h"

#include <QImage>
#include <QPainter>

namespace pictures {

namespace {

constexpr std::size_t screenDescriptorEnd = 13;
constexpr std::uint8_t extensionIntroducer = 0x21;
constexpr std::uint8_t imageSeparator = 0x2C;
constexpr std::uint8_t colourTableFlag = 0x80;

std::size_t colourTableSize(std::uint8_t packed)
{
    return packed & colourTableFlag ? 3u << ((packed & 7) + 1) : 0;
}

}

QRect GifScreen::firstFrame(QByteArrayView bytes)
{
    if (!bytes.startsWith("GIF87a") && !bytes.startsWith("GIF89a"))
        return {};
    const RecordBytes gif = fieldsOf(bytes);
    std::size_t at = screenDescriptorEnd + colourTableSize(gif.u8(10));
    // Extensions (graphic control, comments, application blocks) come before the first image; each
    // is a label and sub-blocks that end with an empty one. Every step moves forward, so the walk
    // ends with the bytes.
    while (gif.holds(at, 1) && gif.u8(at) == extensionIntroducer) {
        at += 2;
        while (gif.holds(at, 1) && gif.u8(at) != 0)
            at += 1 + gif.u8(at);
        at += 1;
    }
    if (!gif.holds(at, 10) || gif.u8(at) != imageSeparator)
        return {};
    return QRect(gif.u16(at + 1), gif.u16(at + 3), gif.u16(at + 5), gif.u16(at + 7));
}

void GifScreen::clearOutsideFirstFrame(QImage& image, QByteArrayView bytes)
{
    const QRect frame = firstFrame(bytes);
    if (frame.isEmpty() || frame.contains(image.rect()))
        return;
    if (!image.hasAlphaChannel())
        image.convertTo(QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    const QRegion outside = QRegion(image.rect()).subtracted(frame);
    for (const QRect& r : outside)
        painter.fillRect(r, Qt::transparent);
}

}
