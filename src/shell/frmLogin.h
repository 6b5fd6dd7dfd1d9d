// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Window.h"

namespace movelle {

// The login window.
class frmLogin final : public forms::Window {
public:
    explicit frmLogin(forms::Application& application)
        : Window(application, "frmLogin")
    {
        setCaption("Login");
        setClientSize(3750, 1035);
    }
};

}
