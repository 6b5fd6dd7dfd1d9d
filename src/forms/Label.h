// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"
#include "forms/Look.h"

namespace forms {

enum class Alignment : std::uint8_t { Left, Right, Center };

class Label : public Control {
public:
    Label(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::Label, Presence::Windowless)
    {
    }
    Label(const Label&) = default;

    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption) { assign(m_caption, caption, Property::Caption); }

    // An auto-size label is drawn as wide and as high as its caption needs.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on) { assign(m_autoSize, on, Property::Look); }
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on) { assign(m_wordWrap, on, Property::Look); }
    // A caption too long for the label is drawn on one line, shortened in the middle, so that
    // its start and its end (a path's file name) stay visible. Only the drawing is shortened:
    // the caption keeps every character.
    bool elidesMiddle() const { return m_elidesMiddle; }
    void setElidesMiddle(bool on) { assign(m_elidesMiddle, on, Property::Look); }
    Alignment alignment() const { return m_alignment; }
    void setAlignment(Alignment alignment) { assign(m_alignment, alignment, Property::Look); }
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style) { assign(m_borderStyle, style, Property::BorderStyle); }
    const Look& look() const { return m_look; }
    void setLook(const Look& look) { assign(m_look, look, Property::Look); }

private:
    std::string m_caption;
    bool m_autoSize = false;
    bool m_wordWrap = false;
    bool m_elidesMiddle = false;
    Alignment m_alignment = Alignment::Left;
    int m_borderStyle = 0;
    Look m_look;
};

}
