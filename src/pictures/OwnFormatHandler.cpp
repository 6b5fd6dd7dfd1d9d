// SPDX-License-Identifier: MIT
#include "pictures/OwnFormatHandler.h"

#include "pictures/PictureFormat.h"

#include <QIODevice>

namespace pictures {

namespace {
// Enough of the start of a file for every sniffer.
constexpr qint64 headBytes = 128;
constexpr qint64 chunkBytes = 1024 * 1024;
}

OwnFormatHandler::OwnFormatHandler(const PictureFormat& format)
    : m_format(format)
{
}

bool OwnFormatHandler::canRead() const
{
    return device() && m_format.sniff(QByteArrayView(device()->peek(headBytes)));
}

bool OwnFormatHandler::read(QImage* image)
{
    const Limits limits;
    // In pieces, and never more than the limits allow: asking a sequential device for the whole
    // bound at once would reserve it, whatever the device holds.
    QByteArray data;
    for (QByteArray piece; !(piece = device()->read(chunkBytes)).isEmpty();) {
        data += piece;
        if (data.size() > limits.maxFileBytes) {
            m_failure = PictureError(Problem::TooLarge, "the file is too large");
            return false;
        }
    }
    Result<QImage> decoded = m_format.decode(QByteArrayView(data), limits);
    if (!decoded) {
        m_failure = decoded.error();
        return false;
    }
    *image = std::move(decoded).value();
    return true;
}

}
