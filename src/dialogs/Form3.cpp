// SPDX-License-Identifier: MIT
#include "dialogs/Form3.h"

#include "anifile/AniWriter.h"
#include "anifile/FileNames.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/NumericText.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

Form3::Form3(forms::Application& application)
    : Window(application, "Form3")
    , m_app(static_cast<Movelle&>(application))
{
    setCaption("Save Screen");
    setClientSize(5520, 3960);
    setIconName(":/icons/save.svg");

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
    // The list only shows which animations the directory holds already; it picks nothing.
    File1.setEnabled(false);
    Dir1.setGeometry(1800, 2280, 2535, 1440);

    // Cancel comes first, so a stray Enter on a freshly opened dialog writes nothing.
    setTabOrder({ &Command2, &Command1, &Dir1, &Drive1, &File1, &Text1, &Label1, &Label2 });

    Drive1.onChange = [this] { Drive1_Change(); };
    Dir1.onChange = [this] { Dir1_Change(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void Form3::load()
{
    const forms::FileSystem& files = application().fileSystem();
    files.setCurrentDirectory(files.root());
}

void Form3::Drive1_Change()
{
    Dir1.setPath(Drive1.drive());
}

void Form3::Dir1_Change()
{
    File1.setPath(Dir1.path());
}

// "OK": the count line, the rate line and one line per frame with the path of its picture.
void Form3::Command1_Click()
{
    const std::string path = anifile::saveFileName(Dir1.path(), Text1.text());
    movelle::Form1& main = m_app.Form1();

    // Everything is gathered before anything is written: a count that asks for frames that were
    // never built must not leave a cut-off file behind, nor destroy the one it would replace.
    anifile::AniContent content;
    content.countText = main.Text1.text();
    content.rateText = main.Text2.text();
    const double count = forms::leadingNumber(content.countText);
    try {
        // The frame lines are the whole numbers i with 0 <= i <= count - 1. The loop cannot run
        // away with a huge count: the first index past the built frames stops it.
        for (int i = 0; i <= count - 1; ++i)
            content.frames.push_back(main.x(i).caption());
    } catch (const forms::Error& e) {
        throw forms::Error(e.kind(),
                           std::string(e.what()) + " The frame count \"" + content.countText
                               + "\" asks for more frames than have been built, so " + path
                               + " was not written.");
    }

    const anifile::Result<void> saved = anifile::AniWriter::save(path, content);
    if (!saved)
        throw forms::Error(forms::ErrorKind::FileError, "The animation was not saved: " + saved.error().message());

    hide();
    main.show();
}

void Form3::Command2_Click()
{
    hide();
    m_app.Form1().show();
}

}
