// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using testing_support::settingsFinished;
using forms::SaveAnswer;
using testing_support::Headless;
using testing_support::TempDir;

// The four ways of throwing the animation away, and how to tell that they did.
struct Discarding {
    const char* name;
    std::function<void(movelle::Form1&)> act;
    std::function<bool(Headless&)> done;
};

bool ended(Headless& h) { return h.app.ended(); }
bool cleared(Headless& h) { return h.app.Form1().Image1.count() == 1 && h.app.Form1().Text1.text().empty(); }

const Discarding kDiscarding[] = {
    { "Escape", [](movelle::Form1& f) { f.characterTyped(27); }, ended },
    { "Exit", [](movelle::Form1& f) { f.fe.click(); }, ended },
    { "close box", [](movelle::Form1& f) { f.frameClosed(); }, ended },
    { "New", [](movelle::Form1& f) { f.fn.click(); }, cleared },
};

// Three frames built, the first with a picture loaded through the Load Frame dialog.
void makeWork(Headless& h, const TempDir& dir)
{
    movelle::Form1& f = h.app.Form1();
    settingsFinished(f, "3", "100");
    writePicture(dir, "a.bmp", 4, 4, 0xff0000);
    f.Command3.click();
    movelle::Form2& d = h.app.Form2();
    d.Dir1.open(dir.str());
    d.File1.select("a.bmp");
    d.Command1.click();
}

// With nothing to lose each acts at once, as it always did: at start, after a save and after an
// open.
TEST(UnsavedWork, NothingToLoseActsAtOnce)
{
    TempDir dir;
    for (const Discarding& way : kDiscarding) {
        SCOPED_TRACE(way.name);
        Headless fresh;
        way.act(fresh.app.Form1());
        EXPECT_TRUE(way.done(fresh));

        Headless saved;
        makeWork(saved, dir);
        saved.app.Form1().Command12.click();
        saved.app.Form3().Dir1.open(dir.str());
        saved.app.Form3().Text1.setText("anim");
        saved.app.Form3().Command1.click();
        ASSERT_TRUE(saved.screen.errors.empty()) << saved.screen.errors.front();
        way.act(saved.app.Form1());
        EXPECT_TRUE(way.done(saved));

        Headless opened;
        opened.app.Form1().Command13.click();
        opened.app.Form4().Dir1.open(dir.str());
        opened.app.Form4().Text1.setText("anim.ani");
        opened.app.Form4().Command1.click();
        ASSERT_EQ(opened.app.Form1().Image1.count(), 3);
        way.act(opened.app.Form1());
        EXPECT_TRUE(way.done(opened));

        EXPECT_TRUE(fresh.screen.questions.empty() && saved.screen.questions.empty() && opened.screen.questions.empty());
    }
}

// Changed work is asked about: Cancel keeps it, Don't Save throws it away, Save runs the Save
// dialog and goes on only once the file is written.
TEST(UnsavedWork, ChangedWorkIsAskedAbout)
{
    TempDir dir;
    for (const Discarding& way : kDiscarding) {
        SCOPED_TRACE(way.name);
        Headless h;
        makeWork(h, dir);
        movelle::Form1& f = h.app.Form1();

        h.screen.answers = { SaveAnswer::Cancel };
        way.act(f);
        ASSERT_EQ(h.screen.questions.size(), 1u);
        EXPECT_NE(h.screen.questions[0].find("has changed since it was last saved"), std::string::npos);
        EXPECT_FALSE(way.done(h));
        EXPECT_EQ(f.Image1.count(), 3);

        // Save, then Cancel in the Save dialog: nothing ends. Save again, and a failing save
        // (the dialog's initial name is a pattern) ends nothing either.
        h.screen.answers = { SaveAnswer::Save };
        way.act(f);
        movelle::Form3& save = h.app.Form3();
        EXPECT_TRUE(save.isShown());
        save.Command2.click();
        EXPECT_FALSE(way.done(h));
        h.screen.answers = { SaveAnswer::Save };
        way.act(f);
        save.Dir1.open(dir.str());
        save.Command1.click();
        EXPECT_EQ(h.screen.errors.size(), 1u);
        EXPECT_FALSE(way.done(h));
        // A save afterwards is only a save; the user decides again.
        save.Text1.setText("kept");
        save.Command1.click();
        EXPECT_FALSE(way.done(h));
        EXPECT_FALSE(f.unsaved());

        // Changed again: Save and a good name write the file, then the animation goes.
        f.Command1(1).click();
        h.app.Form2().show();
        h.app.Form2().Command1.click();
        ASSERT_TRUE(f.unsaved());
        const std::filesystem::path file = dir.path() / (std::string("saved-") + way.name[0] + ".ani");
        std::filesystem::remove(file);
        h.screen.answers = { SaveAnswer::Save };
        way.act(f);
        save.Text1.setText(file.stem().string());
        save.Command1.click();
        EXPECT_TRUE(std::filesystem::exists(file));
        EXPECT_TRUE(way.done(h));

        Headless other;
        makeWork(other, dir);
        other.screen.answers = { SaveAnswer::DontSave };
        way.act(other.app.Form1());
        EXPECT_EQ(other.screen.questions.size(), 1u);
        EXPECT_TRUE(way.done(other));
    }
}

// What marks the animation changed, and what clears the mark.
TEST(UnsavedWork, TheMarkFollowsTheHandlersThatChangeTheAnimation)
{
    TempDir dir;
    Headless h;
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("2");
    f.Command2.click();   // "Default..." only fills the boxes
    f.characterTyped('=');
    EXPECT_FALSE(f.unsaved());
    f.Command4.click();
    EXPECT_TRUE(f.unsaved());
    f.fn.click();   // answered Don't Save
    EXPECT_FALSE(f.unsaved());

    // "Default" in the Load Frame dialog records a path: that is a change too.
    writePicture(dir, "a.bmp", 4, 4, 0xff0000);
    f.Command3.click();
    movelle::Form2& d = h.app.Form2();
    d.Dir1.open(dir.str());
    d.File1.select("a.bmp");
    d.Command3.click();
    EXPECT_TRUE(f.unsaved());
}

}
