// SPDX-License-Identifier: MIT
#include "shell/Form6.h"

#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

Form6::Form6(forms::Application& application)
    : Window(application, "Form6")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("");
    setClientSize(3840, 2955);
    setFrame(forms::Frame::None);
    setShowInTaskbar(false);
    // Centred on its owner, and it is shown without one: so on the screen.
    setPlacement(forms::Placement::CenterScreen);
    // The picture is black where it has no light, and so is whatever it leaves uncovered.
    setBackground(0x000000, ":/pictures/proginfo.png");

    forms::Look look;
    look.fontFamily = "MS Sans Serif";
    look.pointSize = 8.25f;
    look.bold = true;
    look.italic = true;
    look.highlightText = true;
    look.transparent = true;
    Label1.setCaption(" MOVELLE 1.0.0 ");
    Label1.setGeometry(960, 1440, 1695, 195);
    Label1.setAutoSize(true);
    Label1.setLook(look);

    Command1.setCaption("OK");
    Command1.setGeometry(1920, 2280, 1695, 375);

    setTabOrder({ &Label1, &Command1 });
    Command1.onClick = [this] { Command1_Click(); };
}

void Form6::Command1_Click()
{
    hide();
    m_app.Form1().show();
}

}
