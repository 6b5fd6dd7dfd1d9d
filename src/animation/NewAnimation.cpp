// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

namespace movelle {

// "&New": removes every frame but the first, clears it, empties the settings and stops
// playback, so the user can type new settings and press "Settings finished" again. Unsaved
// changes are not thrown away without a question.
void Form1::fn_Click()
{
    askBeforeDiscarding("before starting a new one", [this] { clearAnimation(); });
}

void Form1::clearAnimation()
{
    // Exactly the elements that exist go, whatever Text1 says now: a count edited after
    // building must neither fail here nor leave frames behind for the next build to trip over.
    const int size = frameSlots();
    for (int i = 1; i < size; ++i) {
        if (x.exists(i))
            x.unload(i);
        if (Command1.exists(i))
            Command1.unload(i);
        if (Image1.exists(i))
            Image1.unload(i);
    }

    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    setPlayingFrame(0);
    lv.setCaption("1");
    Command1(0).setEnabled(false);
    x(0).setEnabled(false);
    Image1(0).setEnabled(false);
    Image1(0).setVisible(true);
    Image1(0).setPicture(forms::Picture());
    Text1.setText("");
    Text2.setText("");
    x(0).setCaption("");
    for (forms::CommandButton* button : { &Command3, &Command5, &Command6, &Command7, &Command8 })
        button->setEnabled(false);
    // The frame set is unbuilt again, whatever was opened before; "Settings finished" must
    // build the count the user types next.
    setOpenedFromFile(false);
    // Nothing is left to lose.
    markSaved();
}

}
