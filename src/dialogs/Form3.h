// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs/AniFileDialog.h"

namespace movelle {

// The Save dialog "Save Screen": writes the main window's animation to an animation file in the
// directory the lists show, under the name typed into Text1 with ".ani" added.
class Form3 final : public AniFileDialog {
public:
    explicit Form3(forms::Application& application);

    // "OK": writes the file, then returns to the main window.
    void Command1_Click();
    // Closing the dialog through its frame saves nothing, like "Cancel".
    void frameClosed() override;

private:
    // Writes the main window's animation under the name the dialog shows, or throws.
    void save();
};

}
