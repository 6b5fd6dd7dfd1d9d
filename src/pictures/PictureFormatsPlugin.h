// SPDX-License-Identifier: MIT
#pragma once

#include <QImageIOPlugin>

namespace pictures {

// Our own readers (PCX, Windows metafiles), registered with Qt as a static image-format plugin so
// that QImageReader's content detection finds them like any built-in format.
class PictureFormatsPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "PictureFormats.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};

}
