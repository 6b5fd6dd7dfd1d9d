// SPDX-License-Identifier: MIT
#include "forms/Image.h"

namespace forms {

void Image::setPicture(const Picture& picture)
{
    if (!(m_picture == picture)) {
        m_picture = picture;
        changed(Property::Picture);
    }
    if (!m_stretch)
        takePictureSize();
}

void Image::setStretch(bool stretch)
{
    assign(m_stretch, stretch, Property::Stretch);
    if (!m_stretch)
        takePictureSize();
}

void Image::takePictureSize()
{
    // An empty picture leaves the control at the size it has.
    if (m_picture.isNull())
        return;
    setWidth(static_cast<float>(m_picture.width()) * kTwipsPerPixel);
    setHeight(static_cast<float>(m_picture.height()) * kTwipsPerPixel);
}

}
