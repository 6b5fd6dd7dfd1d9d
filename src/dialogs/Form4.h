// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The Open dialog: rebuilds the frame set from an animation file.
class Form4 final : public forms::Window {
public:
    explicit Form4(forms::Application& application)
        : Window(application, "Form4")
    {
        setCaption("Open Screen");
        setClientSize(5370, 3885);
    }
};

}
