// SPDX-License-Identifier: MIT
#include "pictures/PcxHandler.h"

#include "pictures/PcxDecoder.h"
#include "pictures/ReadFailure.h"

#include <QImage>
#include <QIODevice>
#include <QVariant>

namespace pictures {

bool PcxHandler::canRead(QIODevice* device)
{
    return device && PcxDecoder::canDecode(QByteArrayView(device->peek(PcxDecoder::headerSize)));
}

bool PcxHandler::canRead() const
{
    if (!canRead(device()))
        return false;
    setFormat("pcx");
    return true;
}

bool PcxHandler::read(QImage* image)
{
    const QByteArray head = device()->peek(PcxDecoder::headerSize);
    const PcxDecoder header{ QByteArrayView(head) };
    if (!header.error().isEmpty()) {
        m_failure = header.error();
        return false;
    }
    // Never read more than the header can account for, however long the file.
    const QByteArray data = device()->read(header.maxFileSize());
    const PictureReadResult result = PcxDecoder(QByteArrayView(data)).decode();
    if (result.image.isNull()) {
        m_failure = result.error;
        return false;
    }
    *image = result.image;
    return true;
}

QVariant PcxHandler::option(ImageOption option) const
{
    if (option == Description)
        return m_failure.isEmpty() ? QVariant() : QVariant(ReadFailure::describe(m_failure));
    if (option != Size && option != ImageFormat)
        return {};
    const QByteArray head = device() ? device()->peek(PcxDecoder::headerSize) : QByteArray();
    const PcxDecoder header{ QByteArrayView(head) };
    if (option == Size)
        return header.error().isEmpty() ? QVariant(header.size()) : QVariant();
    return header.error().isEmpty() ? QVariant(int(header.format())) : QVariant();
}

bool PcxHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ImageFormat || option == Description;
}

}
