// SPDX-License-Identifier: MIT
#include "shell/Form1.h"

#include "forms/NumericText.h"

namespace movelle {

namespace {

std::string frameName(int index)
{
    return "Frame " + forms::numberText(static_cast<double>(index) + 1);
}

}

forms::AccessibleText Form1::accessibleText(const forms::Control& control) const
{
    const int i = control.index();
    if (i >= 0) {
        // Frame i is the triple of its button, its picture and its path label; the button's
        // caption is its on-screen number, the picture is described by the path it came from.
        if (&control == Command1.find(i))
            return {"Frame " + Command1(i).caption(), {}};
        if (&control == Image1.find(i)) {
            const forms::Label* path = x.find(i);
            return {frameName(i), path ? path->caption() : std::string()};
        }
        // The label may draw its path shortened; the description gives it whole.
        if (&control == x.find(i)) {
            const std::string& path = x(i).caption();
            return {{}, "Picture file of " + frameName(i) + ": " + (path.empty() ? std::string("none") : path)};
        }
        return {};
    }
    // The toolbar's picture buttons have no caption; they do what their twins in the menus and
    // the boxes do, so they carry those words.
    if (&control == &Command9)
        return {"Start Animation", "Plays the frames in a loop (F5)"};
    if (&control == &Command10)
        return {"Stop Animation", "Stops playback (F6)"};
    if (&control == &Command11)
        return {"Load Pic.", "Opens the Load Frame dialog for the selected frame (F7)"};
    if (&control == &Command12)
        return {"Save", "Opens the Save Screen dialog (F4)"};
    if (&control == &Command13)
        return {"Open", "Opens the Open Screen dialog (F3)"};
    if (&control == &Command14)
        return {"Drawing", "Opens the Drawing window"};
    // The boxes are named by the labels beside them.
    if (&control == &Text1)
        return {"Number of Frames", {}};
    if (&control == &Text2)
        return {"Rate of Display, millisec/pic", {}};
    // The two frame numbers stand under their captions; the number alone would mean nothing.
    if (&control == &lv)
        return {{}, "Image Ani: the frame playback shows next"};
    if (&control == &l6v)
        return {{}, "Recent Button: the frame chosen last"};
    return {};
}

}
