// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/Window.h"

namespace movelle {

class Movelle;

// What the Save and Open dialogs share: the same controls at the same places, the remark, the
// drive and directory lists that move the file list, the creation step and "Cancel". Each
// dialog adds its own tab order, its "OK" and what its file list does.
class AniFileDialog : public forms::Window {
public:
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
    // "Cancel": returns to the main window; nothing else changes.
    void Command2_Click();

    forms::AccessibleText accessibleText(const forms::Control& control) const override;

protected:
    AniFileDialog(forms::Application& application, const std::string& name, const std::string& caption,
                  float clientWidth, float clientHeight, const std::string& icon);

    Movelle& m_app;
};

}
