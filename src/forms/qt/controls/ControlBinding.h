// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"
#include "forms/Property.h"

#include <QAccessible>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

namespace forms::qt {

class Canvas;

// What one kind of control is on screen, as a toolkit's widgets paint themselves. A windowed
// kind makes a real widget and keeps it in step with the model; a drawn kind paints itself on
// its window's canvas and says where it reaches and what it covers; a kind that is neither
// (a timer, a menu item, which the view puts in its menu bar) leaves both alone. Every kind says
// how assistive technology names it. A binding holds no state: one object serves every control
// of its kind, found through the table in ControlBinding.cpp.
class ControlBinding {
public:
    virtual ~ControlBinding() = default;
    ControlBinding(const ControlBinding&) = delete;
    ControlBinding& operator=(const ControlBinding&) = delete;

    static const ControlBinding& of(forms::ControlKind kind);
    static const ControlBinding& of(const forms::Control& control) { return of(control.kind()); }

    // Painted by the canvas rather than shown as a widget.
    bool isDrawn() const { return m_drawn; }

    // For a windowed control that can be seen: its widget, named after the control and showing
    // every property already. User input on it becomes the model's events.
    QWidget* createWidget(forms::Control& control, QWidget* parent) const;
    // Mirrors one changed property of the model into the widget.
    void syncWidget(forms::Control& control, QWidget& widget, forms::Property property) const;

    // Where a drawn control stands on the canvas, as a reader is told.
    virtual QRect bounds(const Canvas& canvas, const forms::Control& control) const;
    // Where it can draw at all; empty for one that draws nothing.
    virtual QRect reach(const Canvas& canvas, const forms::Control& control) const;
    // What it paints over completely, hiding whatever lies below.
    virtual QRect opaqueRect(const Canvas& canvas, const forms::Control& control) const;
    // What must be painted again when it changes.
    virtual QRect dirtyRect(const Canvas& canvas, const forms::Control& control) const;
    // Painting it right after `previous` would change no pixel.
    virtual bool repaintsNothingAfter(const forms::Control& previous, const forms::Control& control) const;
    virtual void paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const;

    // The role of the object that stands for a drawn control; NoRole keeps it from readers.
    // A widget's role is its widget's own.
    virtual QAccessible::Role drawnRole() const { return QAccessible::NoRole; }
    // The name a reader hears when the window gives none.
    virtual QString accessibleName(const forms::Control& control) const;

protected:
    explicit ControlBinding(bool drawn)
        : m_drawn(drawn)
    {
    }

    // The widget of a windowed kind, before it is named and synced.
    virtual QWidget* makeWidget(forms::Control& control, QWidget* parent) const;
    // A property other than the enabled state, visibility and geometry, which every widget
    // mirrors alike.
    virtual void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const;

private:
    bool m_drawn;
};

}
