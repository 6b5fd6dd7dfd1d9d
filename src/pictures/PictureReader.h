// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/PictureError.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace pictures {

// Reads a picture file by its content, whatever its extension says: BMP/DIB (every header
// version, 1 to 32 bits, RLE4/RLE8/RLE24, bitfields), ICO and CUR (the largest, then deepest,
// image), PCX (our own readers), GIF (the first frame), JPEG, PNG, TIFF, XBM (Qt's), and Windows
// metafiles (WMF, placeable or plain, and EMF) drawn at their header's size at 96 DPI (smaller when
// that is beyond the limits) by our player under a bound on work and time (MetafilePlayer); drawing
// them needs a QGuiApplication.
//
// Only regular files are read, without blocking. Pictures over the limits (16384 pixels a side or
// 512 MiB decoded unless told otherwise) are refused before anything is allocated. Never shows UI;
// safe to call from several worker threads at once. Qt's readers refuse what is over its own
// allocation limit, a process-wide setting the program's main() raises to Limits::maxBytes.
// A refusal names the file (PictureError::file(), and text() says "cannot read PATH: cause").
Result<QImage> readPicture(const QString& path, const Limits& limits = {});

// The same decoding on bytes already in memory, as readPicture() does after reading the file. The
// error names no file. No exception leaves it: running out of memory is a result like any other.
Result<QImage> decodePicture(QByteArrayView bytes, const Limits& limits = {});

}
