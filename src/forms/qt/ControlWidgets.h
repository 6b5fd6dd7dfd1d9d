// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Property.h"

class QWidget;

namespace forms {
class Control;
}

namespace forms::qt {

// Whether a control of this kind is a real widget; the others (labels, images, lines) are drawn
// by the window's canvas.
bool hasWidget(forms::ControlKind kind);

// The real widget for a control that is not drawn by the canvas: created when the control can
// be seen, destroyed when it no longer can. User input on it becomes the model's events.
QWidget* createControlWidget(forms::Control& control, QWidget* parent);

// Mirrors one changed property of the model into the widget.
void syncControlWidget(forms::Control& control, QWidget* widget, forms::Property property);

// Mirrors every property, for a widget just created.
void syncAllOfControlWidget(forms::Control& control, QWidget* widget);

}
