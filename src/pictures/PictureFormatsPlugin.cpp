// SPDX-License-Identifier: MIT
#include "pictures/PictureFormatsPlugin.h"

#include "pictures/MetafileHandler.h"
#include "pictures/PcxHandler.h"

namespace pictures {

namespace {

QByteArray formatOf(QIODevice* device)
{
    if (PcxHandler::canRead(device))
        return "pcx";
    return MetafileHandler::formatOf(device);
}

}

QImageIOPlugin::Capabilities PictureFormatsPlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (format == "pcx" || format == "wmf" || format == "emf")
        return CanRead;
    // QImageReader asks with an empty format when it sniffs content.
    if (format.isEmpty() && device && device->isReadable() && !formatOf(device).isEmpty())
        return CanRead;
    return {};
}

QImageIOHandler* PictureFormatsPlugin::create(QIODevice* device, const QByteArray& format) const
{
    const QByteArray chosen = format == "pcx" || format == "wmf" || format == "emf" ? format : formatOf(device);
    QImageIOHandler* handler = nullptr;
    if (chosen == "pcx")
        handler = new PcxHandler;
    else if (chosen == "wmf" || chosen == "emf")
        handler = new MetafileHandler;
    if (handler) {
        handler->setDevice(device);
        handler->setFormat(chosen);
    }
    return handler;
}

}
