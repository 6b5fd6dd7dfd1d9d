// SPDX-License-Identifier: MIT
#include "forms/qt/pictures/ReadFailure.h"

#include <QImageReader>

namespace forms::qt {

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

}
