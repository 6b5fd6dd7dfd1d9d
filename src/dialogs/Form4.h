// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/AniFileDialog.h"

namespace movelle {

class Form1;

// The Open dialog "Open Screen": reads an animation file from the directory the lists show and
// rebuilds the main window's frame set from it.
class Form4 final : public AniFileDialog {
public:
    explicit Form4(forms::Application& application);

    // A click on a file puts its name into the name box.
    void File1_Click();
    // "OK": reads the file and rebuilds the frame set from it.
    void Command1_Click();

    // How many threads decode the frame pictures of an opened file; 0, the default, means one per
    // core. Setting 1 gives the serial open the benchmarks compare against.
    void setDecodingThreads(unsigned threads) { m_decodingThreads = threads; }

    struct Animation;

private:
    void rebuild(movelle::Form1& main, const Animation& animation);

    unsigned m_decodingThreads = 0;
};

}
