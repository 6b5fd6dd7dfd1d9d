// SPDX-License-Identifier: MIT
#include "shell/About.h"

#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

namespace {

// The about box's lettering: the old sans-serif face at the given size, on no ground of its
// own so the background shows through. The binding falls back to the nearest sans face.
forms::Look textLook(float pointSize, bool bold, bool italic, std::optional<forms::Rgb> color)
{
    forms::Look look;
    look.fontFamily = "MS Sans Serif";
    look.pointSize = pointSize;
    look.bold = bold;
    look.italic = italic;
    look.foreColor = color;
    look.transparent = true;
    return look;
}

}

About::About(forms::Application& application)
    : Window(application, "About")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("About the product");
    setClientSize(4740, 2430);
    setBackground(0x00ffff, ":/pictures/about-background.png");

    constexpr forms::Rgb blue = 0x0000ff;
    constexpr forms::Rgb red = 0xff0000;
    struct Caption {
        forms::Label& label;
        const char* text;
        float left, top, width, height;
        bool autoSize;
        forms::Look look;
    };
    for (const Caption& c :
         { Caption { Label1, "Product Name  :", 120, 240, 1770, 240, true, textLook(9.75f, true, true, blue) },
           Caption { Label2, "Movelle 1.0.0", 1920, 240, 1470, 240, true, textLook(9.75f, true, false, blue) },
           Caption { Label5, "Programmer Name :", 0, 840, 2190, 240, true, textLook(9.75f, true, true, blue) },
           Caption { Label6, "The Movelle Team", 2160, 840, 1650, 240, true, textLook(9.75f, true, false, red) },
           // The notice reaches past the right edge of the window, as it was laid out.
           Caption { Label9, "Movelle makes and plays frame-by-frame picture animations.", 480, 1200, 5145, 480, false,
                     textLook(9.75f, false, false, std::nullopt) } }) {
        c.label.setCaption(c.text);
        c.label.setGeometry(c.left, c.top, c.width, c.height);
        c.label.setAutoSize(c.autoSize);
        c.label.setLook(c.look);
    }

    // The ship keeps the design size, which leaves room for its border around the picture.
    Image1.setPicture(application.loadPicture(":/pictures/ship.png"));
    Image1.setGeometry(3840, 120, 675, 690);
    Image1.setBorderStyle(1);

    Command1.setCaption("OK");
    Command1.setGeometry(1920, 2040, 735, 255);

    setTabOrder({ &Label1, &Label2, &Label5, &Label6, &Command1, &Label9 });
    Command1.onClick = [this] { Command1_Click(); };
}

void About::Command1_Click()
{
    m_app.Form1().show();
    hide();
}

}
