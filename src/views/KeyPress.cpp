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
        // "p" is the full view, "o" the picture-only view: the same steps, shown or hidden. The
        // pictures stay, moved to the window's corner for the picture-only view. They move first:
        // a moved picture has the whole window drawn again, so the thousands of path labels
        // hidden next need no repaint of their own.
        const bool full = keyAscii == 'p';
        forEachPicture([full](forms::Image& p) {
            p.setTop(full ? 120 : 100);
            p.setLeft(full ? 3960 : 100);
        });
        for (const ViewMember& member : m_fullView) {
            if (forms::Control* const* control = std::get_if<forms::Control*>(&member)) {
                (*control)->setVisible(full);
                continue;
            }
            const forms::ControlArrayBase& array = *std::get<forms::ControlArrayBase*>(member);
            forEachFrame([&](int i) {
                if (forms::Control* element = array.at(i))
                    element->setVisible(full);
            });
        }
        break;
    }
    default:
        break;
    }
}

}
