// SPDX-License-Identifier: MIT
#include "forms/Control.h"

#include "forms/Application.h"
#include "forms/Window.h"

#include <algorithm>

namespace forms {

namespace {

float clampTwips(float value)
{
    return std::clamp(value, -kMaxTwips, kMaxTwips);
}

}

Control::Control(Window& window, std::string name, ControlKind kind, Presence presence)
    : m_window(&window)
    , m_name(std::move(name))
    , m_kind(kind)
    , m_presence(presence)
{
    window.adopt(*this);
}

Control::Control(const Control& other)
    : m_window(other.m_window)
    , m_name(other.m_name)
    , m_index(other.m_index)
    , m_kind(other.m_kind)
    , m_presence(other.m_presence)
    , m_enabled(other.m_enabled)
    , m_visible(other.m_visible)
    , m_left(other.m_left)
    , m_top(other.m_top)
    , m_width(other.m_width)
    , m_height(other.m_height)
{
    // A new element starts in its place in the drawing order, whatever element 0's place.
}

void Control::bringToFront()
{
    m_window->bringToFront(*this);
}

Application& Control::application() const
{
    return m_window->application();
}

bool Control::acceptsInput() const
{
    return m_visible && m_enabled && !application().ended();
}

void Control::changed(Property property)
{
    m_window->controlChanged(*this, property);
}

void Control::setEnabled(bool enabled) { assign(m_enabled, enabled, Property::Enabled); }
void Control::setVisible(bool visible) { assign(m_visible, visible, Property::Visible); }
void Control::setLeft(float left) { assign(m_left, clampTwips(left), Property::Geometry); }
void Control::setTop(float top) { assign(m_top, clampTwips(top), Property::Geometry); }
void Control::setWidth(float width) { assign(m_width, clampTwips(width), Property::Geometry); }
void Control::setHeight(float height) { assign(m_height, clampTwips(height), Property::Geometry); }

void Control::setGeometry(float left, float top, float width, float height)
{
    setLeft(left);
    setTop(top);
    setWidth(width);
    setHeight(height);
}

}
