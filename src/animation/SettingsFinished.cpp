// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/Error.h"
#include "forms/NumericText.h"

#include <cmath>

namespace movelle {

using forms::leadingNumber;
using forms::numberText;
using forms::roundToIndex;

// "Settings finished": turns the frame count in Text1 and the rate in Text2 into a frame set,
// one button, picture and path label per frame, buttons in rows of eight.
void Form1::Command4_Click()
{
    // Any failing step ends the command silently; what the steps before it did stays done.
    try {
        if (Text1.text().empty())
            return;

        Timer1.setInterval(forms::roundToInterval(leadingNumber(Text2.text())));
        // From here on the animation is built or changed: it has something to lose.
        markUnsaved();
        Command1(0).setEnabled(true);
        Image1(0).setEnabled(true);
        show();

        // Bounds are real numbers: a count of 3.5 builds frames 1 and 2 besides frame 0.
        const double last = leadingNumber(Text1.text()) - 1;
        for (double i = 1; i <= last; ++i) {
            const int k = roundToIndex(i);
            if (!openedFromFile()) {
                Command1.load(k);
                forms::CommandButton& button = Command1(k);
                button.setVisible(true);
                button.setTop(Command1(k - 1).top());
                button.setLeft(Command1(k - 1).left() + 500);
                button.setCaption(numberText(leadingNumber(Command1(k - 1).caption()) + 1));

                Image1.load(k);
                forms::Image& picture = Image1(k);
                picture.setVisible(true);
                picture.setTop(Image1(k - 1).top());
                picture.setLeft(Image1(k - 1).left());

                x.load(k);
                forms::Label& path = x(k);
                path.setVisible(true);
                path.setTop(x(k - 1).top());
                path.setLeft(x(k - 1).left());
            }
            if (i / 8 == std::floor(i / 8)) {
                // Every eighth button starts a new row directly below the previous one.
                forms::CommandButton& button = Command1(k);
                button.setTop(Command1(k - 1).height() + Command1(k - 1).top());
                button.setLeft(Command1(0).left());
            }
        }

        const double lastEnabled = leadingNumber(Text1.text()) - 1;
        for (double i = 0; i <= lastEnabled; ++i) {
            const int k = roundToIndex(i);
            Command1(k).setEnabled(true);
            Image1(k).setEnabled(true);
        }

        for (forms::CommandButton* button : { &Command9, &Command10, &Command11, &Command14, &Command3, &Command4,
                                              &Command5, &Command6, &Command7, &Command8 })
            button->setEnabled(true);
        Timer2.setEnabled(true);
        lv.setCaption("1");
        l6v.setCaption("1");
    } catch (const forms::Error&) {
    }
}

}
