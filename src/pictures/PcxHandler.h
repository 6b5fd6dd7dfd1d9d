// SPDX-License-Identifier: MIT
#pragma once

#include <QImageIOHandler>
#include <QString>

namespace pictures {

// Puts PcxDecoder behind QImageReader, so a .pcx frame goes the same way as every other picture.
class PcxHandler : public QImageIOHandler {
public:
    static bool canRead(QIODevice* device);

    bool canRead() const override;
    bool read(QImage* image) override;
    QVariant option(ImageOption option) const override;
    bool supportsOption(ImageOption option) const override;

private:
    QString m_failure;
};

}
