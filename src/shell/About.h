// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Window.h"

namespace movelle {

class Movelle;

// The about box: product and programmer on a cyan ground, a sailing ship, and "OK".
class About final : public forms::Window {
public:
    explicit About(forms::Application& application);

    forms::Label Label1 { *this, "Label1" };
    forms::Label Label2 { *this, "Label2" };
    forms::Label Label5 { *this, "Label5" };
    forms::Label Label6 { *this, "Label6" };
    forms::Label Label9 { *this, "Label9" };
    forms::Image Image1 { *this, "Image1" };
    forms::CommandButton Command1 { *this, "Command1" };

    // "OK": the main window comes to the front and the about box goes away, kept for next time.
    void Command1_Click();

private:
    Movelle& m_app;
};

}
