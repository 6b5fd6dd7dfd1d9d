// SPDX-License-Identifier: MIT
#include "forms/qt/QtPictureDecoder.h"

#include "forms/Error.h"
#include "forms/Progress.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/StoredPicture.h"
#include "pictures/PictureStore.h"

#include <QImageReader>

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace forms::qt {

QtPictureDecoder::QtPictureDecoder()
    : m_ownStore(std::make_unique<pictures::PictureStore>())
    , m_store(*m_ownStore)
{
}

QtPictureDecoder::QtPictureDecoder(pictures::PictureStore& store)
    : m_store(store)
{
}

QtPictureDecoder::~QtPictureDecoder() = default;

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
    // Qt names files by QString, which cannot hold a file name that is not UTF-8 (a Latin-1 "\xE9"
    // from an old system). Such a file is opened here by its bytes and read through the name of
    // the open descriptor; the store knows files by their identity, not their name.
    // An open's picture that waits for a free decoder stops waiting when the user cancels.
    pictures::DecoderPool::Cancel cancelled;
    if (const Progress* progress = Progress::current())
        cancelled = [progress] { return progress->cancelled(); };
    pictures::Result<std::shared_ptr<const pictures::PictureSource>> source = [&] {
        if (name.toStdString() == path)
            return m_store.load(name, cancelled);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            throw Error(ErrorKind::BadPicture, "cannot read " + path + ": " + std::generic_category().message(errno));
        auto loaded = m_store.load(QString::fromStdString("/proc/self/fd/" + std::to_string(fd)), cancelled);
        ::close(fd);
        if (!loaded)
            throw Error(ErrorKind::BadPicture, "cannot read " + path + ": " + loaded.error().message());
        return loaded;
    }();
    if (!source) {
        // The one place a cause learns which file it concerns.
        const pictures::PictureError& cause = source.error();
        const std::string message = "cannot read " + path + ": " + cause.message();
        if (cause.problem() == pictures::Problem::OutOfMemory) {
            const std::int64_t bytes = cause.width() > 0 && cause.height() > 0 ? cause.width() * cause.height() * 4 : 0;
            throw Error::outOfMemory(message, bytes);
        }
        throw Error(ErrorKind::BadPicture, message);
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
