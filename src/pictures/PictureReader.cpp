// SPDX-License-Identifier: MIT
#include "pictures/PictureReader.h"

#include "pictures/GifScreen.h"
#include "pictures/PictureFile.h"
#include "pictures/PictureFormat.h"
#include "pictures/PixelPool.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QtPlugin>

#include <exception>
#include <new>

// Our readers live in this static library; importing the plugin here, in the one file every user of
// the library links, registers them before the first QImageReader exists.
Q_IMPORT_PLUGIN(PictureFormatsPlugin)

namespace pictures {

namespace {

bool isOwnFormat(const QByteArray& format)
{
    return ownPictureFormatNamed(QByteArrayView(format)) != nullptr;
}

// JPEG, PNG, GIF, TIFF and XBM go through QImageReader; our own formats never do.
Result<QImage> decodeWithQt(QByteArrayView bytes, const Limits& limits)
{
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // What our own readers turned down must not come back through Qt's readers of the same format.
    if (!reader.canRead() || isOwnFormat(reader.format()))
        return Problem::NotAPicture;
    // Known only before reading: QImageReader forgets the format it sniffed once it has read.
    const QByteArray format = reader.format();

    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() <= 0 || declared.height() <= 0))
        return PictureError::sized(Problem::Empty, declared.width(), declared.height());
    if (declared.isValid() && !limits.allows(declared.width(), declared.height()))
        return PictureError::tooLarge(declared.width(), declared.height());

    // Qt's readers write into an image they are given when its size and format are the ones they
    // would make: on the store's threads that is a recycled buffer from its pool.
    QImage image;
    const QImage::Format imageFormat = reader.imageFormat();
    if (PixelPool* pool = PixelPool::current(); pool && declared.isValid() && imageFormat != QImage::Format_Invalid)
        image = pool->acquire(declared, imageFormat);
    if (!reader.read(&image))
        image = QImage();
    if (image.isNull()) {
        // Qt answers a failed allocation with a null image too; find out whether that was it.
        if (declared.isValid() && QImage(declared, QImage::Format_ARGB32).isNull())
            return PictureError::outOfMemory(declared.width(), declared.height());
        return Problem::Damaged;
    }
    if (!limits.allows(image.width(), image.height()))
        return PictureError::tooLarge(image.width(), image.height());
    if (format == "gif")
        GifScreen::clearOutsideFirstFrame(image, bytes);
    return image;
}

Result<QImage> decodeUnguarded(QByteArrayView bytes, const Limits& limits)
{
    if (bytes.isEmpty())
        return Problem::Empty;
    if (const PictureFormat* own = ownPictureFormat(bytes))
        return own->decode(bytes, limits);
    return decodeWithQt(bytes, limits);
}

}

Result<QImage> decodePicture(QByteArrayView bytes, const Limits& limits)
{
    try {
        return decodeUnguarded(bytes, limits);
    } catch (const std::bad_alloc&) {
        return PictureError(Problem::OutOfMemory);
    } catch (const std::exception& e) {
        return PictureError(Problem::HelperFailed, std::string("the picture reader failed: ") + e.what());
    }
}

Result<QImage> readPicture(const QString& path, const Limits& limits)
{
    // The one place a cause learns which file it concerns.
    const std::string file = QDir::toNativeSeparators(path).toStdString();
    const Result<QByteArray> bytes = readPictureFile(path, limits);
    if (!bytes)
        return bytes.error().inFile(file);
    Result<QImage> decoded = decodePicture(QByteArrayView(bytes.value()), limits);
    if (!decoded)
        return decoded.error().inFile(file);
    return decoded;
}

}
