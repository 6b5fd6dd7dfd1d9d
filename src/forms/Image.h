// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"
#include "forms/Picture.h"

namespace forms {

// A picture box. With Stretch off it takes the picture's own size; with Stretch on the picture
// is scaled to the control's Width and Height when drawn (no scaled copy is ever kept).
class Image : public Control {
public:
    Image(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::Image, Presence::Windowless)
    {
    }
    Image(const Image&) = default;

    const Picture& picture() const { return m_picture; }
    void setPicture(const Picture& picture);
    bool stretch() const { return m_stretch; }
    void setStretch(bool stretch);
    // 0: no border; 1: a single fixed line.
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style) { assign(m_borderStyle, style, Property::BorderStyle); }

private:
    void takePictureSize();

    Picture m_picture;
    bool m_stretch = false;
    int m_borderStyle = 0;
};

}
