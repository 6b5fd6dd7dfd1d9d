// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/Window.h"

namespace movelle {

class Movelle;

// The Save dialog "Save Screen": writes the main window's animation to an animation file in the
// directory the lists show, under the name typed into Text1 with ".ani" added.
class Form3 final : public forms::Window {
public:
    explicit Form3(forms::Application& application);

    // Declaration order is creation order, which is also drawing order.
    forms::Label Label2 { *this, "Label2" };
    forms::CommandButton Command1 { *this, "Command1" };
    forms::CommandButton Command2 { *this, "Command2" };
    forms::Label Label1 { *this, "Label1" };
    forms::TextBox Text1 { *this, "Text1" };
    forms::DriveList Drive1 { *this, "Drive1" };
    forms::FileList File1 { *this, "File1" };
    forms::DirList Dir1 { *this, "Dir1" };

    // Creation: the process's current directory becomes the root.
    void load() override;
    // The directory list moves to the chosen drive.
    void Drive1_Change();
    // The file list shows the animation files of the chosen directory.
    void Dir1_Change();
    // "OK": writes the file, then returns to the main window.
    void Command1_Click();
    // "Cancel": returns to the main window; nothing is written.
    void Command2_Click();

private:
    Movelle& m_app;
};

}
