// SPDX-License-Identifier: MIT
#pragma once

#include "pictures/PictureError.h"

#include <QImageIOHandler>
#include <QString>

namespace pictures {

// Windows metafiles (.wmf, placeable or plain, and .emf) behind QImageReader: our player draws
// them into pixels at the size the metafile's header gives at 96 DPI.
class MetafileHandler : public QImageIOHandler {
public:
    // "wmf", "emf" or empty, from the first bytes.
    static QByteArray formatOf(QIODevice* device);

    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

private:
    PictureError m_failure;
};

}
