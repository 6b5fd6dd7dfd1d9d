// SPDX-License-Identifier: MIT
#include "forms/qt/QtPictureDecoder.h"

#include "forms/Error.h"
#include "forms/qt/QtPicture.h"
#include "pictures/PictureReader.h"

namespace forms::qt {

const QImage* QtPicture::imageOf(const Picture& picture)
{
    const auto* data = dynamic_cast<const QtPicture*>(picture.data());
    return data ? &data->image() : nullptr;
}

Picture QtPictureDecoder::decode(const std::string& path)
{
    pictures::PictureReadResult result = pictures::readPicture(QString::fromStdString(path));
    if (result.image.isNull())
        throw Error(ErrorKind::BadPicture, result.error.toStdString());
    return Picture(std::make_shared<QtPicture>(std::move(result.image)));
}

}
