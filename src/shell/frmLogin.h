// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/ControlArray.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/Window.h"

namespace movelle {

class Movelle;

// The login window, where the program starts: the right password opens the main window, a
// wrong one is refused and may be tried again, Cancel or Escape ends the program.
class frmLogin final : public forms::Window {
public:
    explicit frmLogin(forms::Application& application);

    // Only element 1 of lblLabels is ever used; element 0, which every control array has from
    // the start, stays invisible and out of the tab order.
    forms::ControlArray<forms::Label> lblLabels { *this, "lblLabels" };
    forms::TextBox txtPassword { *this, "txtPassword" };
    forms::CommandButton cmdOK { *this, "cmdOK" };
    forms::CommandButton cmdCancel { *this, "cmdCancel" };

    // The outcome: true once the password was accepted, false when the user cancelled.
    bool LoginSucceeded = false;

    // "OK" (also Enter): checks the password.
    void cmdOK_Click();
    // "Cancel" (also Escape): ends the program.
    void cmdCancel_Click();
    // Key preview: Escape ends the program; every other character goes on to the box.
    void Form_KeyPress(int keyAscii);

    forms::AccessibleText accessibleText(const forms::Control& control) const override;

    // Closing the login window through its frame is a cancel: no window would be left to end
    // the program from.
    void frameClosed() override { cmdCancel_Click(); }

private:
    Movelle& m_app;
};

}
