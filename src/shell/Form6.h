// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/Label.h"
#include "forms/Window.h"

namespace movelle {

class Movelle;

// The program-information picture: a borderless window with the credits picture, the product
// name and an "OK" button, which is its only way to close.
class Form6 final : public forms::Window {
public:
    explicit Form6(forms::Application& application);

    forms::Label Label1 { *this, "Label1" };
    forms::CommandButton Command1 { *this, "Command1" };

    // "OK": the picture goes away, kept for next time, and the main window comes to the front.
    void Command1_Click();

private:
    Movelle& m_app;
};

}
