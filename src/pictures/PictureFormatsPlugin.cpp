// SPDX-License-Identifier: MIT
#include "pictures/PictureFormatsPlugin.h"

#include "pictures/MetafileHandler.h"
#include "pictures/OwnFormatHandler.h"
#include "pictures/PictureFormat.h"

namespace pictures {

namespace {

bool isMetafile(const QByteArray& format)
{
    return format == "wmf" || format == "emf";
}

QByteArray formatOf(QIODevice* device)
{
    if (!device)
        return {};
    if (const PictureFormat* own = ownPictureFormat(QByteArrayView(device->peek(128))))
        return own->name;
    return MetafileHandler::formatOf(device);
}

}

QImageIOPlugin::Capabilities PictureFormatsPlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (ownPictureFormatNamed(format) || isMetafile(format))
        return CanRead;
    // QImageReader asks with an empty format when it sniffs content.
    if (format.isEmpty() && device && device->isReadable() && !formatOf(device).isEmpty())
        return CanRead;
    return {};
}

QImageIOHandler* PictureFormatsPlugin::create(QIODevice* device, const QByteArray& format) const
{
    const QByteArray chosen = ownPictureFormatNamed(format) || isMetafile(format) ? format : formatOf(device);
    QImageIOHandler* handler = nullptr;
    if (const PictureFormat* own = ownPictureFormatNamed(chosen))
        handler = new OwnFormatHandler(*own);
    else if (isMetafile(chosen))
        handler = new MetafileHandler;
    if (handler) {
        handler->setDevice(device);
        handler->setFormat(chosen);
    }
    return handler;
}

}
