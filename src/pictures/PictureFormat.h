// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/Limits.h"
#include "pictures/Result.h"

#include <QByteArrayView>
#include <QImage>

#include <span>

namespace pictures {

// One of the formats we decode ourselves: how to tell it from its first bytes, and how to decode
// it from the bytes of a whole file. Every such reader parses its header into a value first and
// keeps to the limits (the raster readers take their pixel memory from allocatePicture(); the
// metafile player draws a larger drawing smaller). A new format is one row of this table.
struct PictureFormat {
    const char* name;
    bool (*sniff)(QByteArrayView head);
    Result<QImage> (*decode)(QByteArrayView file, const Limits& limits);
};

// In the order they are tried: the signatures that are sure first (BMP, ICO and CUR, PCX, WMF,
// EMF), the packed DIB (which has none, only a plausible header) last.
std::span<const PictureFormat> ownPictureFormats();
const PictureFormat* ownPictureFormat(QByteArrayView head);
const PictureFormat* ownPictureFormatNamed(QByteArrayView name);

}
