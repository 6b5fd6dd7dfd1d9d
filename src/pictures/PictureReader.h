// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

namespace pictures {

// The outcome of reading one picture file: a decoded image, or an error text that names the file
// and the cause ("cannot read /home/ann/a.pcx: not a picture Movelle can read").
struct PictureReadResult {
    QImage image;
    QString error;
};

// Reads a picture file by its content, whatever its extension says: BMP/DIB (every header
// version, 1 to 32 bits, RLE4/RLE8), GIF (the first frame), JPEG, ICO and CUR (the largest,
// then deepest, image), PNG, TIFF, XBM, PCX, and Windows metafiles (WMF, placeable or plain, and
// EMF) drawn at their header's size at 96 DPI. Metafiles are drawn by our player under a bound on
// work and time (MetafilePlayer); drawing them needs a QGuiApplication.
//
// Pictures over 16384 pixels a side or 512 MiB decoded are refused before anything is allocated.
// Every error names the file and the cause ("cannot read /x/a.pcx: not a picture Movelle can
// read"). Never shows UI; safe to call from several worker threads at once.
PictureReadResult readPicture(const QString& path);

}
