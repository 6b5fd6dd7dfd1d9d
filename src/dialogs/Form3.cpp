// SPDX-License-Identifier: MIT
#include "dialogs/Form3.h"

#include "anifile/AniWriter.h"
#include "anifile/Excerpt.h"
#include "anifile/FileNames.h"
#include "dialogs/AnimationSettings.h"
#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/NumericText.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

namespace movelle {

Form3::Form3(forms::Application& application)
    : AniFileDialog(application, "Form3", "Save Screen", 5520, 3960, ":/icons/save.svg")
{
    // The list only shows which animations the directory holds already; it picks nothing.
    File1.setEnabled(false);

    // Cancel comes first, so a stray Enter on a freshly opened dialog writes nothing.
    setTabOrder({ &Command2, &Command1, &Dir1, &Drive1, &File1, &Text1, &Label1, &Label2 });

    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] {
        m_app.Form1().saveEnded(false);
        Command2_Click();
    };
}

void Form3::frameClosed()
{
    m_app.Form1().saveEnded(false);
    AniFileDialog::frameClosed();
}

// "OK": the count line, the rate line and one line per frame with the path of its picture.
void Form3::Command1_Click()
{
    // A save that fails leaves the dialog open, but what waited for it (the program's end, a new
    // animation) is given up: the user decides again once the animation is saved.
    try {
        save();
    } catch (const forms::Error&) {
        m_app.Form1().saveEnded(false);
        throw;
    }
    movelle::Form1& main = m_app.Form1();
    hide();
    main.show();
    main.saveEnded(true);
}

void Form3::save()
{
    const std::string path = anifile::saveFileName(Dir1.path(), Text1.text());
    movelle::Form1& main = m_app.Form1();

    // Everything is gathered before anything is written: a count that asks for frames that were
    // never built must not leave a cut-off file behind, nor destroy the one it would replace.
    anifile::AniContent content;
    content.countText = main.Text1.text();
    content.rateText = main.Text2.text();
    // A file the Open dialog would refuse is not written: the same check decides both.
    try {
        AnimationSettings::check(content.countText, content.rateText);
    } catch (const forms::Error& e) {
        throw forms::Error(e.kind(), "The animation " + path + " was not saved: " + e.what() + ".");
    }
    const double count = forms::leadingNumber(content.countText);
    try {
        // The frame lines are the whole numbers i with 0 <= i <= count - 1. The loop cannot run
        // away with a huge count: the first index past the built frames stops it.
        for (int i = 0; i <= count - 1; ++i)
            content.frames.push_back(main.x(i).caption());
    } catch (const forms::Error& e) {
        throw forms::Error(e.kind(),
                           std::string(e.what()) + " The frame count " + anifile::quotedExcerpt(content.countText)
                               + " asks for more frames than have been built, so " + path
                               + " was not written.");
    }

    const anifile::Result<void> saved = anifile::AniWriter::save(path, content);
    if (!saved)
        throw forms::Error(forms::ErrorKind::FileError, "The animation was not saved: " + saved.error().message());
}

}
