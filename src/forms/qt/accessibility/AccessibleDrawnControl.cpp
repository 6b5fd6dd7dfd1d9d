// SPDX-License-Identifier: MIT
#include "forms/qt/accessibility/AccessibleDrawnControl.h"

#include "forms/Control.h"
#include "forms/qt/accessibility/AccessibleView.h"
#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

AccessibleDrawnControl::AccessibleDrawnControl(AccessibleView& view, forms::Control& control)
    : m_view(view)
    , m_control(control)
{
}

QWindow* AccessibleDrawnControl::window() const
{
    return m_view.windowHandle();
}

QAccessibleInterface* AccessibleDrawnControl::parent() const
{
    return m_view.canvasInterface();
}

QString AccessibleDrawnControl::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return m_view.name(m_control);
    case QAccessible::Description:
        return m_view.description(m_control);
    default:
        return {};
    }
}

QRect AccessibleDrawnControl::rect() const
{
    return m_view.screenRect(m_control);
}

QAccessible::Role AccessibleDrawnControl::role() const
{
    return ControlBinding::of(m_control).drawnRole();
}

QAccessible::State AccessibleDrawnControl::state() const
{
    QAccessible::State state;
    state.invisible = !m_control.visible();
    state.disabled = !m_control.enabled();
    state.readOnly = true;
    return state;
}

void* AccessibleDrawnControl::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ImageInterface && role() == QAccessible::Graphic)
        return static_cast<QAccessibleImageInterface*>(this);
    return nullptr;
}

QString AccessibleDrawnControl::imageDescription() const
{
    return m_view.description(m_control);
}

QSize AccessibleDrawnControl::imageSize() const
{
    return rect().size();
}

QPoint AccessibleDrawnControl::imagePosition() const
{
    return rect().topLeft();
}

}
