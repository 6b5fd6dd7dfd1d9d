// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/PictureError.h"

#include <QImageIOHandler>

namespace pictures {

struct PictureFormat;

// Puts one of our own readers behind QImageReader, so that code reading pictures through Qt gets
// our BMP, DIB, ICO, CUR and PCX readers instead of Qt's.
class OwnFormatHandler : public QImageIOHandler {
public:
    explicit OwnFormatHandler(const PictureFormat& format);

    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

private:
    const PictureFormat& m_format;
    PictureError m_failure;
};

}
