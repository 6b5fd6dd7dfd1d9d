// SPDX-License-Identifier: MIT
#include "pictures/MetafileHandler.h"

#include "pictures/MetafileCheck.h"
#include "pictures/MetafilePlayer.h"
#include "pictures/ReadFailure.h"

#include <QGuiApplication>
#include <QImage>
#include <QIODevice>
#include <QVariant>

#include <algorithm>

namespace pictures {

namespace {

// Enough for the EMF header record's fixed part and a placeable WMF's two headers.
constexpr qint64 headerBytes = 128;

std::span<const std::uint8_t> bytesOf(const QByteArray& data)
{
    return { reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()) };
}

}

QByteArray MetafileHandler::formatOf(QIODevice* device)
{
    if (!device)
        return {};
    const QByteArray head = device->peek(headerBytes);
    switch (MetafileCheck::sniff(bytesOf(head))) {
    case MetafileCheck::Kind::PlaceableWmf:
    case MetafileCheck::Kind::Wmf: return "wmf";
    case MetafileCheck::Kind::Emf: return "emf";
    case MetafileCheck::Kind::None: break;
    }
    return {};
}

bool MetafileHandler::canRead() const
{
    const QByteArray format = formatOf(device());
    if (format.isEmpty())
        return false;
    setFormat(format);
    return true;
}

bool MetafileHandler::read(QImage* image)
{
    // Text is laid out with the font database, which exists only in a GUI application.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_failure = PictureError(Problem::Unsupported, "metafiles can only be drawn by the running program");
        return false;
    }
    const QByteArray data = device()->read(qint64(MetafileCheck::maxFileSize) + 1);
    if (data.size() > qint64(MetafileCheck::maxFileSize)) {
        m_failure = PictureError(Problem::TooLarge);
        return false;
    }
    const MetafilePlayer::Result played = MetafilePlayer::play(bytesOf(data));
    switch (played.problem) {
    case MetafilePlayer::Problem::None: *image = played.image; return true;
    case MetafilePlayer::Problem::NotAMetafile: m_failure = PictureError(Problem::NotAPicture); break;
    case MetafilePlayer::Problem::Damaged: m_failure = PictureError(Problem::Damaged); break;
    case MetafilePlayer::Problem::TooLarge:
        // A frame of no width or height draws nothing: empty, not too large.
        m_failure = played.width > 0 && played.height > 0
            ? PictureError::tooLarge(played.width, played.height)
            : PictureError::sized(Problem::Empty, std::max<std::int64_t>(played.width, 0),
                                    std::max<std::int64_t>(played.height, 0));
        break;
    case MetafilePlayer::Problem::TooComplex:
        m_failure = PictureError(Problem::TimedOut, "the metafile draws more than a picture can take");
        break;
    case MetafilePlayer::Problem::TimedOut:
        m_failure = PictureError(Problem::TimedOut, "the metafile took too long to draw");
        break;
    }
    return false;
}

QVariant MetafileHandler::option(ImageOption option) const
{
    if (option == Description)
        return m_failure.problem() == Problem::None ? QVariant() : QVariant(ReadFailure::describe(m_failure));
    if (option == ImageFormat)
        return int(QImage::Format_ARGB32_Premultiplied);
    if (option != Size || !device())
        return {};
    const QByteArray head = device()->peek(headerBytes);
    const MetafileCheck::Result header = MetafileCheck::inspectHeader(bytesOf(head));
    // A plain WMF's size is known only after its records have been read.
    if (header.width <= 0 || header.height <= 0)
        return {};
    // Reported even when over the bound, so that the reader can say how large the picture is.
    return QSize(int(std::min<std::int64_t>(header.width, INT_MAX)), int(std::min<std::int64_t>(header.height, INT_MAX)));
}

bool MetafileHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ImageFormat || option == Description;
}

}
