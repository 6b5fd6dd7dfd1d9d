// SPDX-License-Identifier: MIT
#pragma once

#include "forms/ComboBox.h"
#include "forms/CommandButton.h"
#include "forms/Label.h"
#include "forms/TextBox.h"
#include "forms/Window.h"

#include <string>
#include <vector>

namespace movelle {

class Movelle;

// "Export": writes the animation as the main window holds it (it need not be saved) as an
// animated GIF or WebP, a video or a folder of PNG pictures, through the same engine and with the
// same defaults as `movelle export`. The work runs away from the window with progress and Cancel;
// a cancelled or failed export leaves no file.
class ExportScreen final : public forms::Window {
public:
    explicit ExportScreen(forms::Application& application);

    // Declaration order is creation order, which is also drawing order.
    forms::Label Label1 { *this, "Label1" };
    forms::TextBox Text1 { *this, "Text1" };
    forms::Label Label2 { *this, "Label2" };
    forms::ComboBox Combo1 { *this, "Combo1" };
    forms::Label Label3 { *this, "Label3" };
    forms::TextBox Text2 { *this, "Text2" };
    forms::Label Label4 { *this, "Label4" };
    forms::TextBox Text3 { *this, "Text3" };
    forms::Label Label5 { *this, "Label5" };
    forms::TextBox Text4 { *this, "Text4" };
    forms::Label Label6 { *this, "Label6" };
    forms::TextBox Text5 { *this, "Text5" };
    forms::Label Label7 { *this, "Label7" };
    forms::ComboBox Combo2 { *this, "Combo2" };
    forms::CommandButton Command1 { *this, "Command1" };
    forms::CommandButton Command2 { *this, "Command2" };

    // "OK": exports, then returns to the main window; a cancelled export stays in the dialog.
    void Command1_Click();
    // "Cancel": returns to the main window.
    void Command2_Click();

    // What `movelle export` is given for the dialog's choices, reading `animation`.
    std::vector<std::string> exportArguments(const std::string& animation) const;
    // The output named in Text1 with the extension the chosen kind needs.
    std::string outputPath() const;

    forms::AccessibleText accessibleText(const forms::Control& control) const override;

private:
    Movelle& m_app;
};

}
