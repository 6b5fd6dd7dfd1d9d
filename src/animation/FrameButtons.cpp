// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "dialogs/Form2.h"
#include "forms/NumericText.h"
#include "shell/Movelle.h"

namespace movelle {

using forms::leadingNumber;

// A frame button: select its frame, tell the Load Frame dialog, and show that picture alone.
void Form1::Command1_Click(int index)
{
    setSelectedFrame(leadingNumber(Command1(index).caption()) - 1);
    // Referring to the dialog creates it, unshown, the first time.
    m_app.Form2().Label2.setCaption(Label6.caption());

    // Every existing frame is hidden, not only the first Text1 of them: with a count edited
    // after building, the selected picture must still be the only one on screen.
    hideFramePictures();

    const int k = forms::roundToIndex(selectedFrame());
    if (forms::Image* picture = Image1.find(k))
        picture->setVisible(true);
    // The path labels lie on top of each other: the selected frame's comes to the front.
    if (forms::Label* path = x.find(k)) {
        path->setVisible(true);
        path->bringToFront();
    }
}

// "Default...": one frame at one millisecond per picture; nothing is built until
// "Settings finished".
void Form1::Command2_Click()
{
    Text1.setText("1");
    Text2.setText("1");
}

}
