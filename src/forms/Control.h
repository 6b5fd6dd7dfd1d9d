// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Property.h"

#include <string>

namespace forms {

class Application;
class Window;

// Geometry is in twips (1440 to the inch), single precision, from the top-left corner of the
// window's client area. The binding draws at 15 twips per device-independent pixel.
inline constexpr float kTwipsPerPixel = 15.0f;

// The largest size or position a control accepts: the toolkit's widget limit, in twips.
// Repeated doubling stops here instead of overflowing.
inline constexpr float kMaxTwips = 16777215.0f * kTwipsPerPixel;

// Whether a control is a window of its own on screen (a button, a box, a list), which can hold
// the keyboard focus, or not: drawn by its window, an item of the menu bar, or never seen.
// Each kind says which it is where it is declared.
enum class Presence : std::uint8_t {
    Windowed,
    Windowless,
};

// A control is a plain object holding its properties. A write that changes a value tells the
// window's observer; writing the same value again costs a compare and nothing else.
class Control {
public:
    virtual ~Control() = default;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return m_kind; }
    Window& window() const { return *m_window; }
    Application& application() const;
    const std::string& name() const { return m_name; }
    // The element's index in its control array, or -1 for a control that is not an element.
    int index() const { return m_index; }

    // A window of its own on screen, which takes the focus while it accepts input. What a
    // windowless control is on screen (drawn, a menu item, nothing) is its binding's business.
    bool isWindowed() const { return m_presence == Presence::Windowed; }

    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    // Whether the user can reach it: visible and enabled, in a window that has not ended.
    bool acceptsInput() const;

    float left() const { return m_left; }
    float top() const { return m_top; }
    float width() const { return m_width; }
    float height() const { return m_height; }
    void setLeft(float left);
    void setTop(float top);
    void setWidth(float width);
    void setHeight(float height);
    void setGeometry(float left, float top, float width, float height);

    // Puts the control in front of every other control of its window that is drawn on the same
    // layer (lightweight controls under the widgets): a path label on top of its stacked twins.
    void bringToFront();
    bool inFront() const { return m_inFront; }

protected:
    Control(Window& window, std::string name, ControlKind kind, Presence presence);
    // Array elements are copies of element 0; the copy is not a design-time control of the window.
    Control(const Control& other);

    void changed(Property property);

    template<typename T>
    void assign(T& member, const T& value, Property property)
    {
        if (member == value)
            return;
        member = value;
        changed(property);
    }

private:
    template<typename T>
    friend class ControlArray;
    friend class Window;

    Window* m_window;
    std::string m_name;
    int m_index = -1;
    ControlKind m_kind;
    Presence m_presence;
    bool m_enabled = true;
    bool m_visible = true;
    float m_left = 0;
    float m_top = 0;
    float m_width = 0;
    float m_height = 0;
    bool m_inFront = false;
};

}
