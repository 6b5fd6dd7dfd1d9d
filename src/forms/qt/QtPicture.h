// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Picture.h"

#include <QImage>

namespace forms::qt {

// Decoded pixels held in a QImage, shared by every control that shows them: the program's own
// pictures, and pictures made in memory.
class QtPicture final : public PictureData {
public:
    explicit QtPicture(QImage image)
        : m_image(std::move(image))
    {
    }

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    const QImage& image() const { return m_image; }

    // The pixels of a picture, whether held here or in the picture store (decoded now when the
    // store's cache has let them go); a null image when it holds none or they cannot be decoded.
    // QImage shares its pixels, so the copy is cheap and stays valid while it is drawn.
    static QImage imageOf(const Picture& picture);
    // Whether the picture hides everything below it, known without decoding; false for no picture,
    // for pixels of another kind, and when some pixel lets what lies below show through.
    static bool isOpaque(const Picture& picture);

private:
    QImage m_image;
};

}
