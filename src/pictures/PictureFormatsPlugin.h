// SPDX-License-Identifier: MIT
#pragma once

#include <QImageIOPlugin>

namespace pictures {

// Our own readers (every row of the format table: BMP, DIB, ICO, CUR, PCX, WMF, EMF), registered
// with Qt as a static image-format plugin so that QImageReader's content detection finds them like
// any built-in format. The picture reader itself calls the table directly; this is only for code
// that reads through QImageReader.
class PictureFormatsPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "PictureFormats.json")

public:
    Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
    QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};

}
