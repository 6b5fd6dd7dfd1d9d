// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

namespace forms {

// A straight line from (x1, y1) to (x2, y2). Left, Top, Width and Height hold its bounding box.
class Line : public Control {
public:
    Line(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::Line, Presence::Windowless)
    {
    }
    Line(const Line&) = default;

    float x1() const { return m_x1; }
    float y1() const { return m_y1; }
    float x2() const { return m_x2; }
    float y2() const { return m_y2; }
    void setEnds(float x1, float y1, float x2, float y2);

    // Pen width in pixels.
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width) { assign(m_borderWidth, width, Property::Look); }
    // 1: solid; 2: dash; 3: dot; 4: dash-dot; 5: dash-dot-dot.
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style) { assign(m_borderStyle, style, Property::Look); }

private:
    float m_x1 = 0;
    float m_y1 = 0;
    float m_x2 = 0;
    float m_y2 = 0;
    int m_borderWidth = 1;
    int m_borderStyle = 1;
};

}
