// SPDX-License-Identifier: MIT
#include "pictures/PictureReader.h"

#include "pictures/IconDirectory.h"
#include "pictures/PictureLimits.h"
#include "pictures/ReadFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtPlugin>

#include <cstdint>
#include <mutex>

// Our PCX and metafile readers live in this static library; importing the plugin here, in the one
// file every user of the library links, registers them before the first QImageReader exists.
Q_IMPORT_PLUGIN(PictureFormatsPlugin)

namespace pictures {

namespace {

void prepareReaders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt's own guard is a process-wide setting; raise it to our bound so that Qt refuses
        // exactly what we would refuse, and not a legitimate 8000 x 8000 frame.
        QImageReader::setAllocationLimit(int(PictureLimits::maxBytes / (1024 * 1024)));
    });
}

PictureReadResult failure(const QString& path, const QString& cause)
{
    return { {}, QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), cause) };
}

std::int64_t le(const QByteArray& d, int at, int bytes)
{
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | std::uint8_t(d[at + i]);
    return std::int64_t(v);
}

// Qt's BMP reader turns down headers beyond its own bound without saying why, and returns a
// picture padded with whatever memory held when the pixel data stops short. Both are easy to
// tell from the header, so look before Qt does.
QString bitmapProblem(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < 26 || !head.startsWith("BM"))
        return {};
    const std::int64_t offset = le(head, 10, 4);
    const std::int64_t headerSize = le(head, 14, 4);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bits = 0;
    std::int64_t compression = 0;
    if (headerSize == 12) {
        width = le(head, 18, 2);
        height = le(head, 20, 2);
        bits = le(head, 24, 2);
    } else if (headerSize >= 40 && head.size() >= 34) {
        width = std::int32_t(le(head, 18, 4));
        height = std::int32_t(le(head, 22, 4));
        bits = le(head, 28, 2);
        compression = le(head, 30, 4);
    } else {
        return {};
    }
    width = width < 0 ? -width : width;
    height = height < 0 ? -height : height;
    if (width > 0 && height > 0 && !PictureLimits::allows(width, height))
        return ReadFailure::tooLarge(width, height);
    constexpr std::int64_t uncompressed = 0;
    constexpr std::int64_t bitfields = 3;
    if ((compression == uncompressed || compression == bitfields) && bits > 0 && bits <= 32) {
        const std::int64_t rowBytes = (width * bits + 7) / 8;
        const std::int64_t stride = (width * bits + 31) / 32 * 4;
        // Some writers leave off the padding of the last row; that much is forgiven.
        if (fileSize < offset + stride * height - (stride - rowBytes))
            return ReadFailure::damaged();
    }
    return {};
}

}

PictureReadResult readPicture(const QString& path)
{
    prepareReaders();
    if (path.isEmpty())
        return failure(path, QStringLiteral("no file name given"));

    const QFileInfo info(path);
    if (!info.exists())
        return failure(path, QStringLiteral("no such file"));
    if (info.isDir())
        return failure(path, QStringLiteral("it is a folder, not a file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::OpenError && !info.isReadable())
            return failure(path, QStringLiteral("permission denied"));
        return failure(path, file.errorString());
    }
    if (!file.isSequential() && file.size() == 0)
        return failure(path, QStringLiteral("the file is empty"));

    const QString bitmap = bitmapProblem(file.peek(64), file.size());
    if (!bitmap.isEmpty())
        return failure(path, bitmap);

    QImageReader reader(&file);
    // The extension is only a hint from whoever named the file; .dib, .cur and misnamed files
    // are common, so the bytes decide.
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return failure(path, ReadFailure::notAPicture());

    const QByteArray format = reader.format();
    if (format == "ico" || format == "cur") {
        const IconDirectory directory = IconDirectory::read(&file);
        if (directory.isValid()) {
            const IconDirectory::Entry best = directory.best();
            if (!PictureLimits::allows(best.size.width(), best.size.height()))
                return failure(path, ReadFailure::tooLarge(best.size.width(), best.size.height()));
            if (best.index > 0 && !reader.jumpToImage(best.index))
                return failure(path, ReadFailure::damaged());
        }
    }

    const QSize declared = reader.size();
    if (declared.isValid() && !PictureLimits::allows(declared.width(), declared.height()))
        return failure(path, ReadFailure::tooLarge(declared.width(), declared.height()));

    QImage image = reader.read();
    if (image.isNull()) {
        // Our own handlers know more than QImageReader's generic text can carry.
        const QString cause = ReadFailure::fromReader(reader);
        if (!cause.isEmpty())
            return failure(path, cause);
        return failure(path, ReadFailure::damaged());
    }
    if (!PictureLimits::allows(image.width(), image.height()))
        return failure(path, ReadFailure::tooLarge(image.width(), image.height()));
    return { image, {} };
}

}
