// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Property.h"

namespace forms {

class Control;
class Window;

// What a window's view hears from the model.
class WindowObserver {
public:
    virtual void controlChanged(Control&, Property) { }
    virtual void controlAdded(Control&) { }
    virtual void controlRemoved(Control&) { }
    virtual void focusRequested(Control&) { }
    // No control can take the focus: the window keeps it, and keys go to no control.
    virtual void windowFocused(Window&) { }
    virtual void windowChanged(Window&) { }

protected:
    virtual ~WindowObserver() = default;
};

}
