// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/Application.h"
#include "forms/NumericText.h"

namespace movelle {

namespace {

constexpr int kBackspace = 8;
constexpr int kEscape = 27;

}

// The main window's character keys. Key preview runs this before the focused control gets the
// character, which goes on unchanged: "-" typed into Text2 both edits it and shrinks the frames.
void Form1::Form_KeyPress(int keyAscii)
{
    // The frame range is read afresh from Text1. Indexes without a frame are skipped: the
    // user may have typed a count that was never built.
    const double last = forms::leadingNumber(Text1.text()) - 1;
    const int size = frameSlots();
    auto forEachFrame = [&](auto&& apply) {
        for (int i = 0; i <= last && i < size; ++i)
            apply(i);
    };
    auto forEachPicture = [&](auto&& apply) {
        forEachFrame([&](int i) {
            if (forms::Image* picture = Image1.find(i))
                apply(*picture);
        });
    };

    // Single precision, as the control keeps them: sizes compound, "=" then "-" restores.
    switch (keyAscii) {
    case '=':
        forEachPicture([](forms::Image& p) {
            p.setStretch(true);
            p.setHeight(p.height() * 2);
            p.setWidth(p.width() * 2);
        });
        break;
    case '-':
        forEachPicture([](forms::Image& p) {
            p.setStretch(true);
            p.setHeight(p.height() / 2);
            p.setWidth(p.width() / 2);
        });
        break;
    case kBackspace:
        forEachPicture([](forms::Image& p) { p.setStretch(false); });
        break;
    case 'S':
    case 's':
        forEachPicture([](forms::Image& p) { p.setBorderStyle(1); });
        break;
    case 'A':
    case 'a':
        forEachPicture([](forms::Image& p) { p.setBorderStyle(0); });
        break;
    case kEscape:
        // Escape quits as "E&xit" does, unsaved changes asked about first.
        fe_Click();
        break;
    case 'p':
    case 'o': {
        // "p" is the full view, "o" the picture-only view: the same steps, shown or hidden.
        const bool full = keyAscii == 'p';
        for (forms::CommandButton* b : { &Command2, &Command3, &Command4, &Command5, &Command6, &Command7, &Command8,
                                         &Command9, &Command10, &Command11, &Command12, &Command13, &Command14 })
            b->setVisible(full);
        for (forms::Label* label : { &Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7, &Label8 })
            label->setVisible(full);
        forEachFrame([&](int i) {
            if (forms::Label* path = x.find(i))
                path->setVisible(full);
            if (forms::CommandButton* button = Command1.find(i))
                button->setVisible(full);
            if (forms::Image* picture = Image1.find(i)) {
                picture->setTop(full ? 120 : 100);
                picture->setLeft(full ? 3960 : 100);
            }
        });
        for (forms::Label* label : { &l, &lv, &l6v })
            label->setVisible(full);
        Text1.setVisible(full);
        Text2.setVisible(full);
        for (forms::Line* line : { &Line1, &Line2, &Line3, &Line4, &Line5, &Line6, &Line7, &Line8, &Line9, &Line10 })
            line->setVisible(full);
        break;
    }
    default:
        break;
    }
}

}
