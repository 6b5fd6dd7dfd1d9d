// SPDX-License-Identifier: MIT
#include "forms/qt/QtPictureDecoder.h"

#include "forms/Error.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/StoredPicture.h"
#include "pictures/PictureStore.h"

#include <QDir>
#include <QImageReader>

namespace forms::qt {

namespace {

constexpr qsizetype kLongestNameShown = 4096;

}

QtPictureDecoder::QtPictureDecoder()
    : QtPictureDecoder(pictures::PictureStore::shared())
{
}

QtPictureDecoder::QtPictureDecoder(pictures::PictureStore& store)
    : m_store(store)
{
}

Picture QtPictureDecoder::decode(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    // The program's own pictures are compiled in, trusted, and small.
    if (name.startsWith(QLatin1String(":/"))) {
        QImage image = QImageReader(name).read();
        if (image.isNull())
            throw Error(ErrorKind::BadPicture, "cannot read " + path + ": not a picture Movelle can read");
        return Picture(std::make_shared<QtPicture>(std::move(image)));
    }
    pictures::Result<std::shared_ptr<const pictures::PictureSource>> source = m_store.load(name);
    if (!source) {
        // The one place a cause learns which file it concerns. A name longer than any file name
        // (a broken animation file's line) is shortened, so that the message stays readable.
        QString shown = QDir::toNativeSeparators(name);
        if (shown.size() > kLongestNameShown)
            shown = shown.left(kLongestNameShown) + QStringLiteral("... (%1 characters)").arg(name.size());
        throw Error(ErrorKind::BadPicture, "cannot read " + shown.toStdString() + ": " + source.error().message());
    }
    return Picture(std::make_shared<StoredPicture>(std::move(source).value(), m_store));
}

void QtPictureDecoder::decodeAhead(const std::vector<Picture>& upcoming)
{
    std::vector<std::shared_ptr<const pictures::PictureSource>> sources;
    sources.reserve(upcoming.size());
    for (const Picture& picture : upcoming) {
        if (const StoredPicture* stored = StoredPicture::of(picture))
            sources.push_back(stored->source());
    }
    m_store.decodeAhead(sources);
}

}
