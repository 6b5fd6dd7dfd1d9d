// SPDX-License-Identifier: MIT
#include "forms/qt/QtPictureDecoder.h"

#include "forms/Error.h"
#include "forms/qt/QtPicture.h"
#include "pictures/PictureReader.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace forms::qt {

const QImage* QtPicture::imageOf(const Picture& picture)
{
    const auto* data = dynamic_cast<const QtPicture*>(picture.data());
    return data ? &data->image() : nullptr;
}

Picture QtPictureDecoder::decode(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    pictures::PictureReadResult result;
    if (name.toStdString() == path) {
        result = pictures::readPicture(name);
    } else {
        // Qt names files by QString, which cannot hold a file name that is not UTF-8 (a Latin-1
        // "\xE9" from an old system). Such a file is opened here by its bytes, and Qt reads it
        // through the name of the open descriptor; messages name the file as it was given.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            throw Error(ErrorKind::BadPicture, "cannot read " + path + ": " + std::generic_category().message(errno));
        const std::string descriptor = "/proc/self/fd/" + std::to_string(fd);
        result = pictures::readPicture(QString::fromStdString(descriptor));
        ::close(fd);
        if (result.image.isNull()) {
            std::string error = result.error.toStdString();
            if (const std::size_t at = error.find(descriptor); at != std::string::npos)
                error.replace(at, descriptor.size(), path);
            throw Error(ErrorKind::BadPicture, error);
        }
    }
    if (result.image.isNull())
        throw Error(ErrorKind::BadPicture, result.error.toStdString());
    return Picture(std::make_shared<QtPicture>(std::move(result.image)));
}

}
