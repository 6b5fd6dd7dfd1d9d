// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The Save dialog: writes the animation to an animation file.
class Form3 final : public forms::Window {
public:
    explicit Form3(forms::Application& application)
        : Window(application, "Form3")
    {
        setCaption("Save Screen");
        setClientSize(5520, 3960);
    }
};

}
