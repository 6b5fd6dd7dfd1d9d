// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/PictureError.h"

#include <QString>

class QImageReader;

namespace pictures {

// QImageIOHandler::read() can only say "failed"; QImageReader then reports a generic text. Our
// handlers know why (the metafile reader took too long, the picture is too large, ...) and pass
// the typed cause on through the handler's Description option, which QImageReader exposes as text.
class ReadFailure {
public:
    // What a handler returns as its Description option after a failed read.
    static QString describe(const PictureError& error);
    // A cause known only as words; read back as the problem the words name.
    static QString describe(const QString& cause);
    // The cause a handler gave; Problem::None when it gave none.
    static PictureError fromReader(QImageReader& reader);

    // The causes more than one reader reports, worded once.
    static QString tooLarge(qint64 width, qint64 height);
    static QString damaged();
    static QString notAPicture();
};

}
