// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

namespace {

using testing_support::Headless;
using testing_support::settingsFinished;

class SettingsFinished : public testing_support::HeadlessTest {
protected:
    static int frames(const movelle::Form1& f) { return f.Image1.count(); }

    static bool animationCommandsEnabled(movelle::Form1& f)
    {
        for (forms::CommandButton* b : { &f.Command9, &f.Command10, &f.Command11, &f.Command14, &f.Command3,
                                         &f.Command4, &f.Command5, &f.Command6, &f.Command7, &f.Command8 }) {
            if (!b->enabled())
                return false;
        }
        return true;
    }
};

TEST_F(SettingsFinished, OneFrameEnablesEverythingAndSetsTheRate)
{
    settingsFinished(f, "1", "200");
    EXPECT_EQ(frames(f), 1);
    EXPECT_TRUE(f.Command1(0).enabled());
    EXPECT_TRUE(f.Image1(0).enabled());
    EXPECT_EQ(f.Timer1.interval(), 200);
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_TRUE(f.Timer2.enabled());
    EXPECT_TRUE(animationCommandsEnabled(f));
    EXPECT_EQ(f.lv.caption(), "1");
    EXPECT_EQ(f.l6v.caption(), "1");
    EXPECT_EQ(f.l.caption(), "0");
    EXPECT_EQ(f.Label6.caption(), "0");
}

TEST_F(SettingsFinished, ButtonsStandInRowsOfEightAndEveryFrameLiesOnElementZero)
{
    settingsFinished(f, "10", "100");
    ASSERT_EQ(frames(f), 10);
    for (int i = 0; i < 10; ++i) {
        const forms::CommandButton& b = f.Command1(i);
        EXPECT_EQ(b.caption(), std::to_string(i + 1));
        EXPECT_FLOAT_EQ(b.left(), 4080 + 500 * (i % 8)) << i;
        EXPECT_FLOAT_EQ(b.top(), 3960 + 255 * (i / 8)) << i;
        EXPECT_TRUE(b.visible());
        EXPECT_TRUE(b.enabled());
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 3960);
        EXPECT_FLOAT_EQ(f.Image1(i).top(), 120);
        EXPECT_TRUE(f.Image1(i).visible());
        EXPECT_FLOAT_EQ(f.x(i).left(), 2160);
        EXPECT_FLOAT_EQ(f.x(i).top(), 2760);
        EXPECT_TRUE(f.x(i).visible());
    }

    Headless other;
    movelle::Form1& eight = other.app.Form1();
    eight.Text1.setText("8");
    eight.Command4.click();
    EXPECT_EQ(eight.Command1.count(), 8);
    EXPECT_FLOAT_EQ(eight.Command1(7).left(), 7580);

    Headless nine;
    movelle::Form1& n = nine.app.Form1();
    n.Text1.setText("9");
    n.Command4.click();
    EXPECT_FLOAT_EQ(n.Command1(8).left(), 4080);
    EXPECT_FLOAT_EQ(n.Command1(8).top(), 4215);
}

TEST_F(SettingsFinished, FractionalAndNonNumericCounts)
{
    settingsFinished(f, "3.5", "");
    EXPECT_EQ(frames(f), 3);
    EXPECT_EQ(f.Timer1.interval(), 0);

    Headless letters;
    movelle::Form1& g = letters.app.Form1();
    settingsFinished(g, "abc", "2.5");
    EXPECT_EQ(g.Image1.count(), 1);
    EXPECT_EQ(g.Timer1.interval(), 2);   // halves to even
    EXPECT_TRUE(animationCommandsEnabled(g));
    EXPECT_TRUE(g.Command1(0).enabled());

    Headless half;
    settingsFinished(half.app.Form1(), "1", "3.5");
    EXPECT_EQ(half.app.Form1().Timer1.interval(), 4);
}

TEST_F(SettingsFinished, EmptyCountChangesNothingAtAll)
{
    f.Timer1.setInterval(5);
    f.Text2.setText("100");
    f.Command4.click();
    EXPECT_EQ(f.Timer1.interval(), 5);
    EXPECT_FALSE(f.Command1(0).enabled());
    EXPECT_FALSE(f.Command5.enabled());
    EXPECT_EQ(f.lv.caption(), "");

    // Blanks are not empty.
    f.Text1.setText(" ");
    f.Command4.click();
    EXPECT_EQ(f.Timer1.interval(), 100);
    EXPECT_TRUE(f.Command5.enabled());
}

TEST_F(SettingsFinished, ARateTheTimerRefusesEndsTheCommandSilentlyWithNothingChanged)
{
    for (const char* rate : { "70000", "-5", "1E20" }) {
        Headless fresh;
        movelle::Form1& f = fresh.app.Form1();
        settingsFinished(f, "4", rate);
        EXPECT_EQ(f.Timer1.interval(), 0) << rate;
        EXPECT_EQ(f.Image1.count(), 1) << rate;
        EXPECT_FALSE(f.Command1(0).enabled()) << rate;
        EXPECT_FALSE(f.Command5.enabled()) << rate;
        EXPECT_TRUE(fresh.screen.errors.empty()) << rate;
    }
}

TEST_F(SettingsFinished, NewFramesCopyFrameZerosPictureAndPath)
{
    testing_support::TempDir dir;
    const forms::Picture picture = h.app.loadPicture(writePicture(dir, "red.png", 8, 6, 0xff0000));
    f.Image1(0).setPicture(picture);
    f.x(0).setCaption("/pics/red.png");
    f.Text1.setText("3");
    f.Command4.click();
    for (int i = 1; i < 3; ++i) {
        EXPECT_TRUE(f.Image1(i).picture() == picture);
        EXPECT_EQ(f.x(i).caption(), "/pics/red.png");
    }
}

TEST_F(SettingsFinished, ASecondPressOnlyReappliesTheRate)
{
    settingsFinished(f, "4", "100");
    f.Command5.setEnabled(false);   // to see whether the enabling steps run again
    f.lv.setCaption("3");
    settingsFinished(f, "6", "250");
    EXPECT_EQ(f.Timer1.interval(), 250);
    EXPECT_EQ(frames(f), 4);
    EXPECT_FALSE(f.Command5.enabled());
    EXPECT_EQ(f.lv.caption(), "3");
    EXPECT_TRUE(h.screen.errors.empty());
}

TEST_F(SettingsFinished, AfterAnOpenNothingIsCreatedButRowStartsAndEnablingApply)
{
    f.state.setCaption("open");
    f.Text1.setText("3");
    f.Command4.click();
    // The first missing element ends the command quietly.
    EXPECT_EQ(frames(f), 1);
    EXPECT_TRUE(f.Command1(0).enabled());
    EXPECT_FALSE(f.Command5.enabled());
    EXPECT_TRUE(h.screen.errors.empty());

    Headless built;
    movelle::Form1& g = built.app.Form1();
    g.Text1.setText("10");
    g.Command4.click();
    g.Command1(8).setLeft(9999);
    for (int i = 0; i < 10; ++i)
        g.Command1(i).setEnabled(false);
    g.state.setCaption("open");
    g.Command4.click();
    EXPECT_FLOAT_EQ(g.Command1(8).left(), 4080);
    EXPECT_TRUE(g.Command1(9).enabled());
}

TEST_F(SettingsFinished, TheFrameSetIsCappedAtIndex32767)
{
    settingsFinished(f, "40000", "1");
    EXPECT_EQ(frames(f), 32768);
    EXPECT_FALSE(f.Command5.enabled());   // the command ended at the index past the cap
}

}

namespace {

// Growing a frame set from one count to another leaves exactly what "Settings finished" builds
// for the larger count at once, whether the set came from "Settings finished" or from an open.
struct Growth {
    int from;
    int to;
    bool opened;
};

class GrowFrames : public ::testing::TestWithParam<Growth> { };

TEST_P(GrowFrames, LeavesWhatSettingsFinishedBuildsForTheNewCount)
{
    const Growth g = GetParam();
    Headless grown;
    movelle::Form1& f = grown.app.Form1();
    settingsFinished(f, std::to_string(g.from), "100");
    if (g.opened)
        f.state.setCaption("open");
    EXPECT_FALSE(f.growFrames(g.to).has_value());

    Headless direct;
    movelle::Form1& d = direct.app.Form1();
    settingsFinished(d, std::to_string(g.to), "100");

    EXPECT_EQ(f.Text1.text(), std::to_string(g.to));
    EXPECT_EQ(f.frameCount(), g.to);
    ASSERT_EQ(f.Command1.count(), d.Command1.count());
    for (int i = 0; i < g.to; ++i) {
        for (auto [a, b] : { std::pair<const forms::Control*, const forms::Control*> { &f.Command1(i), &d.Command1(i) },
                             { &f.Image1(i), &d.Image1(i) }, { &f.x(i), &d.x(i) } }) {
            EXPECT_FLOAT_EQ(a->left(), b->left()) << i;
            EXPECT_FLOAT_EQ(a->top(), b->top()) << i;
            EXPECT_EQ(a->visible(), b->visible()) << i;
            EXPECT_EQ(a->enabled(), b->enabled()) << i;
        }
        EXPECT_EQ(f.Command1(i).caption(), d.Command1(i).caption()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, GrowFrames,
                         ::testing::Values(Growth { 1, 2, false }, Growth { 3, 10, false }, Growth { 8, 9, false },
                                           Growth { 7, 17, false }, Growth { 5, 12, true }));

TEST(GrowFramesRefused, LeavesTheFrameSetAsItWas)
{
    Headless h;
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("3");
    f.Command4.click();
    // No shrinking: a smaller count changes nothing.
    EXPECT_FALSE(f.growFrames(2).has_value());
    EXPECT_EQ(f.Text1.text(), "3");

    // A leftover element past a gap would make a frame set with a hole.
    f.Image1.load(5);
    const std::optional<forms::Error> error = f.growFrames(8);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), forms::ErrorKind::ElementExists);
    EXPECT_NE(std::string(error->what()).find("frame 6"), std::string::npos) << error->what();
    EXPECT_EQ(f.Command1.count(), 3);
    EXPECT_EQ(f.Text1.text(), "3");

    const std::optional<forms::Error> tooMany = f.growFrames(40000);
    ASSERT_TRUE(tooMany.has_value());
    EXPECT_EQ(tooMany->kind(), forms::ErrorKind::Overflow);
    EXPECT_EQ(f.Command1.count(), 3);
}

}
