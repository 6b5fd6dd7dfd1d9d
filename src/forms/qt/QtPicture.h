// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <QImage>

namespace forms::qt {

// Decoded pixels held in a QImage, shared by every control that shows them.
class QtPicture final : public PictureData {
public:
    explicit QtPicture(QImage image)
        : m_image(std::move(image))
    {
    }

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    const QImage& image() const { return m_image; }

    // The QImage behind a picture, or null when it holds none or pixels of another kind.
    static const QImage* imageOf(const Picture& picture);

private:
    QImage m_image;
};

}
