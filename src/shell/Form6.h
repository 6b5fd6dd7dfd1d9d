// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The program-information picture.
class Form6 final : public forms::Window {
public:
    explicit Form6(forms::Application& application)
        : Window(application, "Form6")
    {
        setCaption("");
        setClientSize(3840, 2955);
    }
};

}
