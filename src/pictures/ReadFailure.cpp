// SPDX-License-Identifier: MIT
#include "pictures/ReadFailure.h"

#include <QImageReader>
#include <QStringList>

namespace pictures {

namespace {

const QString key = QStringLiteral("MovelleReadFailure");
const QString typed = QStringLiteral("problem ");

PictureError fromWords(const QString& cause)
{
    if (cause == ReadFailure::notAPicture())
        return PictureError(Problem::NotAPicture);
    if (cause == ReadFailure::damaged())
        return PictureError(Problem::Damaged);
    if (cause.contains(QLatin1String("too large")))
        return PictureError(Problem::TooLarge, cause.toStdString());
    if (cause.contains(QLatin1String("too long")))
        return PictureError(Problem::TimedOut, cause.toStdString());
    if (cause.contains(QLatin1String("not enough memory")))
        return PictureError(Problem::OutOfMemory);
    return PictureError(Problem::HelperFailed, cause.toStdString());
}

}

QString ReadFailure::describe(const PictureError& error)
{
    // "problem <kind> <width> <height> <detail>": read back by fromReader(). QImageReader
    // simplifies the text, so nothing may depend on spaces at its end.
    QString text = key + QStringLiteral(": ") + typed
        + QStringLiteral("%1 %2 %3").arg(int(error.problem())).arg(error.width()).arg(error.height());
    if (!error.detail().empty())
        text += QLatin1Char(' ') + QString::fromStdString(error.detail());
    return text;
}

QString ReadFailure::describe(const QString& cause)
{
    return key + QStringLiteral(": ") + cause;
}

PictureError ReadFailure::fromReader(QImageReader& reader)
{
    if (!reader.supportsOption(QImageIOHandler::Description))
        return {};
    const QString text = reader.text(key);
    if (text.isEmpty())
        return {};
    if (!text.startsWith(typed))
        return fromWords(text);
    const QStringList parts = text.mid(typed.size()).split(QLatin1Char(' '));
    if (parts.size() < 3)
        return fromWords(text);
    const auto problem = Problem(parts[0].toInt());
    const QString detail = text.mid(typed.size()).section(QLatin1Char(' '), 3);
    const PictureError error(problem, detail.toStdString());
    const qint64 width = parts[1].toLongLong();
    return width >= 0 ? error.sizedAs(width, parts[2].toLongLong()) : error;
}

QString ReadFailure::tooLarge(qint64 width, qint64 height)
{
    return QString::fromStdString(PictureError::tooLarge(width, height).message());
}

QString ReadFailure::damaged()
{
    return QString::fromStdString(PictureError(Problem::Damaged).message());
}

QString ReadFailure::notAPicture()
{
    return QString::fromStdString(PictureError(Problem::NotAPicture).message());
}

}
