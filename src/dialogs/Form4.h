// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/AniFileDialog.h"

#include <string>

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
    // What "OK" does once it has the file's full name: reads the animation and rebuilds the
    // frame set, or throws forms::Error and leaves the main window as it was. The program's
    // command line opens a file given to it through here too.
    void openAnimation(const std::string& path);

    // How many threads decode the frame pictures of an opened file; 0, the default, means one per
    // core. Setting 1 gives the serial open the benchmarks compare against.
    void setDecodingThreads(unsigned threads) { m_decodingThreads = threads; }

    struct Animation;

private:
    void rebuild(movelle::Form1& main, const Animation& animation);

    unsigned m_decodingThreads = 0;
};

}
