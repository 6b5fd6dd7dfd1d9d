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
    virtual void windowChanged(Window&) { }

protected:
    virtual ~WindowObserver() = default;
};

}
