// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The about box.
class About final : public forms::Window {
public:
    explicit About(forms::Application& application)
        : Window(application, "About")
    {
        setCaption("About the product");
        setClientSize(4740, 2430);
    }
};

}
