// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/PictureError.h"

#include <QImageIOHandler>

namespace pictures {

struct PictureFormat;

// Puts one row of our format table behind QImageReader, so that code reading pictures through Qt
// gets our BMP, DIB, ICO, CUR, PCX and metafile readers instead of Qt's. A thin adapter: it reads
// the device and calls the row's decoder. QImageIOHandler can only answer "failed"; the typed cause
// stays in error() for whoever holds the handler and is never turned into text to be read back.
class OwnFormatHandler : public QImageIOHandler {
public:
    explicit OwnFormatHandler(const PictureFormat& format);

    bool canRead() const override;
    bool read(QImage* image) override;

    const PictureError& error() const { return m_failure; }

private:
    const PictureFormat& m_format;
    PictureError m_failure;
};

}
