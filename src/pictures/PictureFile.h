// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArray>
#include <QString>

namespace pictures {

// The one way picture bytes come in from disk. Only regular files are read: the file is opened
// without blocking (a pipe or a device named as a frame must never hold the program in open() or
// read()), checked to be a regular file on the open descriptor, and read whole if it fits the
// limits' file size. Paths starting with ":" name the program's resources. Errors carry no file
// name.
Result<QByteArray> readPictureFile(const QString& path, const Limits& limits);

}
