// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The Drawing window with its two embedded documents.
class Form5 final : public forms::Window {
public:
    explicit Form5(forms::Application& application)
        : Window(application, "Form5")
    {
        setCaption("Drawing");
        setClientSize(4680, 1860);
    }
};

}
