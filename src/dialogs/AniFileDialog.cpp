// SPDX-License-Identifier: MIT
#include "dialogs/AniFileDialog.h"

#include "forms/Application.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

AniFileDialog::AniFileDialog(forms::Application& application, const std::string& name, const std::string& caption,
                             float clientWidth, float clientHeight, const std::string& icon)
    : Window(application, name)
    , m_app(static_cast<Movelle&>(application))
{
    setCaption(caption);
    setClientSize(clientWidth, clientHeight);
    setIconName(icon);

    Label2.setCaption("Important Remark : Write the file without any extensions, and the extension will be "
                      "added automatically.");
    Label2.setGeometry(120, 120, 3495, 975);
    Label2.setWordWrap(true);
    Command1.setCaption("OK");
    Command1.setGeometry(4440, 600, 855, 375);
    Command2.setCaption("Cancel");
    Command2.setGeometry(4440, 1080, 855, 375);
    Label1.setCaption("File");
    Label1.setGeometry(120, 1800, 240, 195);
    Label1.setAutoSize(true);
    Text1.setText("*.ani");
    Text1.setGeometry(480, 1800, 1215, 285);
    Drive1.setGeometry(3120, 1800, 1215, 315);
    File1.setGeometry(0, 2280, 1695, 1455);
    File1.setPattern("*.ani");
    Dir1.setGeometry(1800, 2280, 2535, 1440);

    Drive1.onChange = [this] { Drive1_Change(); };
    Dir1.onChange = [this] { Dir1_Change(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void AniFileDialog::load()
{
    const forms::FileSystem& files = application().fileSystem();
    files.setCurrentDirectory(files.root());
}

void AniFileDialog::Drive1_Change()
{
    Dir1.setPath(Drive1.drive());
}

void AniFileDialog::Dir1_Change()
{
    File1.setPath(Dir1.path());
}

void AniFileDialog::Command2_Click()
{
    hide();
    m_app.Form1().show();
}

forms::AccessibleText AniFileDialog::accessibleText(const forms::Control& control) const
{
    if (&control == &Text1)
        return { "File", "The animation's file name, without extension" };
    return {};
}

}
