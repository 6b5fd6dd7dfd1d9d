// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/DriveList.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/Window.h"

namespace movelle {

class Form1;
class Movelle;

// The Open dialog "Open Screen": reads an animation file from the directory the lists show and
// rebuilds the main window's frame set from it.
class Form4 final : public forms::Window {
public:
    explicit Form4(forms::Application& application);

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
    // A click on a file puts its name into the name box.
    void File1_Click();
    // "OK": reads the file and rebuilds the frame set from it.
    void Command1_Click();
    // "Cancel": returns to the main window; nothing changes.
    void Command2_Click();

    // How many threads decode the frame pictures of an opened file; 0, the default, means one per
    // core. Setting 1 gives the serial open the benchmarks compare against.
    void setDecodingThreads(unsigned threads) { m_decodingThreads = threads; }

    struct Animation;

private:
    void rebuild(movelle::Form1& main, const Animation& animation);

    Movelle& m_app;
    unsigned m_decodingThreads = 0;
};

}
