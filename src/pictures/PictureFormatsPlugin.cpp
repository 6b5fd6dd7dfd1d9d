// SPDX-License-Identifier: MIT
#include "pictures/PictureFormatsPlugin.h"

#include "pictures/OwnFormatHandler.h"
#include "pictures/PictureFormat.h"

namespace pictures {

namespace {

// Enough of the start of a file for every sniffer.
constexpr qint64 headBytes = 128;

const PictureFormat* formatOf(QIODevice* device)
{
    return device ? ownPictureFormat(QByteArrayView(device->peek(headBytes))) : nullptr;
}

}

QImageIOPlugin::Capabilities PictureFormatsPlugin::capabilities(QIODevice* device, const QByteArray& format) const
{
    if (ownPictureFormatNamed(format))
        return CanRead;
    // QImageReader asks with an empty format when it sniffs content.
    if (format.isEmpty() && device && device->isReadable() && formatOf(device))
        return CanRead;
    return {};
}

QImageIOHandler* PictureFormatsPlugin::create(QIODevice* device, const QByteArray& format) const
{
    const PictureFormat* chosen = ownPictureFormatNamed(format);
    if (!chosen)
        chosen = formatOf(device);
    if (!chosen)
        return nullptr;
    auto* handler = new OwnFormatHandler(*chosen);
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray(chosen->name) : format);
    return handler;
}

}
