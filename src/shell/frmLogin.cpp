// SPDX-License-Identifier: MIT
#include "shell/frmLogin.h"

#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

namespace {

constexpr int kEscape = 27;

}

frmLogin::frmLogin(forms::Application& application)
    : Window(application, "frmLogin")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Login");
    setClientSize(3750, 1035);
    setFrame(forms::Frame::FixedDialog);
    setPlacement(forms::Placement::CenterScreen);
    setShowInTaskbar(false);
    setKeyPreview(true);

    lblLabels(0).setVisible(false);
    lblLabels.load(1);
    forms::Label& password = lblLabels(1);
    password.setCaption("&Password:");
    password.setGeometry(105, 60, 1080, 270);
    password.setVisible(true);

    txtPassword.setGeometry(1290, 45, 2325, 345);
    txtPassword.setPasswordChar('*');

    cmdOK.setCaption("OK");
    cmdOK.setGeometry(495, 540, 1140, 390);
    cmdCancel.setCaption("Cancel");
    cmdCancel.setGeometry(2100, 540, 1140, 390);
    setDefaultButton(&cmdOK);
    setCancelButton(&cmdCancel);

    setTabOrder({ &password, &txtPassword, &cmdOK, &cmdCancel });

    cmdOK.onClick = [this] { cmdOK_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    onKeyPress = [this](int keyAscii) { Form_KeyPress(keyAscii); };
}

void frmLogin::cmdOK_Click()
{
    // The comparison is exact: no trimming, and only the two spellings.
    const std::string& password = txtPassword.text();
    if (password == "HARBOR" || password == "harbor") {
        LoginSucceeded = true;
        hide();
        m_app.Form1().show();
        // A file named on the command line opens now, as if chosen in the Open dialog.
        m_app.openStartAnimation();
        return;
    }
    application().messageBox("Invalid Password, try again!", "Login");
    // The wrong password is selected so that the next character typed replaces it.
    txtPassword.setFocus();
    txtPassword.selectAll();
}

void frmLogin::cmdCancel_Click()
{
    LoginSucceeded = false;
    hide();
    application().end();
}

void frmLogin::Form_KeyPress(int keyAscii)
{
    if (keyAscii == kEscape)
        application().end();
}

forms::AccessibleText frmLogin::accessibleText(const forms::Control& control) const
{
    if (&control == &txtPassword)
        return { "Password", {} };
    return {};
}

}
