// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>

namespace forms::qt {

// The outcome of reading one picture file: a decoded image, or an error text that names the file
// and the cause ("cannot read /home/ann/a.pcx: not a picture Movelle can read").
struct PictureReadResult {
    QImage image;
    QString error;
};

// Reads a picture file by its content, whatever its extension says. Never shows UI; safe to call
// from worker threads.
PictureReadResult readPicture(const QString& path);

}
