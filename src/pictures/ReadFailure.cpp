// SPDX-License-Identifier: MIT
#include "pictures/ReadFailure.h"

#include <QImageReader>

namespace pictures {

namespace {
const QString key = QStringLiteral("MovelleReadFailure");
}

QString ReadFailure::describe(const QString& cause)
{
    return key + QStringLiteral(": ") + cause;
}

QString ReadFailure::fromReader(QImageReader& reader)
{
    if (!reader.supportsOption(QImageIOHandler::Description))
        return {};
    return reader.text(key);
}

QString ReadFailure::tooLarge(qint64 width, qint64 height)
{
    return QStringLiteral("picture is too large (%1 x %2)").arg(width).arg(height);
}

QString ReadFailure::damaged()
{
    return QStringLiteral("the picture data is damaged or incomplete");
}

QString ReadFailure::notAPicture()
{
    return QStringLiteral("not a picture Movelle can read");
}

}
