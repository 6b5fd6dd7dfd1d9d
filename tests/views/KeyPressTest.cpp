// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using testing_support::settingsFinished;

class Keys : public testing_support::HeadlessTest {
protected:
    void build(const std::string& count) { settingsFinished(f, count, "100"); }
    void type(int code) { f.characterTyped(code); }
};

TEST_F(Keys, EnlargeAndShrinkCompoundFrameByFrame)
{
    build("3");
    type('=');
    type('=');
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(f.Image1(i).stretch());
        EXPECT_FLOAT_EQ(f.Image1(i).width(), 4095 * 4);
        EXPECT_FLOAT_EQ(f.Image1(i).height(), 3375 * 4);
    }
    type('-');
    type('-');
    type('-');
    EXPECT_FLOAT_EQ(f.Image1(2).height(), 1687.5f);
    type('=');
    EXPECT_FLOAT_EQ(f.Image1(2).height(), 3375);
    EXPECT_TRUE(f.Image1(2).stretch());
}

TEST_F(Keys, BackspaceRestoresThePicturesOwnSize)
{
    build("2");
    testing_support::TempDir dir;
    f.Image1(1).setPicture(h.app.loadPicture(writePicture(dir, "p.png", 40, 30, 0x00ff00)));
    EXPECT_FLOAT_EQ(f.Image1(1).width(), 600);
    type('=');
    EXPECT_FLOAT_EQ(f.Image1(1).width(), 1200);
    type(8);
    EXPECT_FALSE(f.Image1(1).stretch());
    EXPECT_FLOAT_EQ(f.Image1(1).width(), 600);
    EXPECT_FLOAT_EQ(f.Image1(1).height(), 450);
    // A frame without a picture keeps the size it has.
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 4095 * 2);
}

TEST_F(Keys, BordersUpperAndLowerCaseAlikeButPAndOUpperCaseDoNothing)
{
    build("2");
    type('a');
    EXPECT_EQ(f.Image1(1).borderStyle(), 0);
    type('S');
    EXPECT_EQ(f.Image1(1).borderStyle(), 1);
    type('A');
    EXPECT_EQ(f.Image1(0).borderStyle(), 0);
    type('s');
    EXPECT_EQ(f.Image1(0).borderStyle(), 1);
    type('O');
    type('P');
    EXPECT_TRUE(f.Command4.visible());
    EXPECT_FLOAT_EQ(f.Image1(0).left(), 3960);
}

// Every control the two view keys switch, outside the frame arrays: the buttons "Default..." to
// the last toolbar button, the eight labels, the playback labels, both boxes and all ten lines.
std::vector<forms::Control*> viewControls(movelle::Form1& f)
{
    return { &f.Command2,  &f.Command3,  &f.Command4,  &f.Command5,  &f.Command6,  &f.Command7,  &f.Command8,
             &f.Command9,  &f.Command10, &f.Command11, &f.Command12, &f.Command13, &f.Command14, &f.Label1,
             &f.Label2,    &f.Label3,    &f.Label4,    &f.Label5,    &f.Label6,    &f.Label7,    &f.Label8,
             &f.l,         &f.lv,        &f.l6v,       &f.Text1,     &f.Text2,     &f.Line1,     &f.Line2,
             &f.Line3,     &f.Line4,     &f.Line5,     &f.Line6,     &f.Line7,     &f.Line8,     &f.Line9,
             &f.Line10 };
}

TEST_F(Keys, ThePictureOnlyViewAndBack)
{
    build("6");
    f.Command5.click();
    f.Text1.setText("4");   // edited after building
    type('o');
    for (forms::Control* c : viewControls(f))
        EXPECT_FALSE(c->visible()) << c->name();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(f.Command1(i).visible());
        EXPECT_FALSE(f.x(i).visible());
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 100);
        EXPECT_FLOAT_EQ(f.Image1(i).top(), 100);
    }
    // Frames past the edited count keep their button, label and place.
    for (int i = 4; i < 6; ++i) {
        EXPECT_TRUE(f.Command1(i).visible()) << i;
        EXPECT_TRUE(f.x(i).visible()) << i;
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 3960);
        EXPECT_FLOAT_EQ(f.Image1(i).top(), 120);
    }
    EXPECT_TRUE(f.Timer1.enabled());   // playback goes on

    type('p');
    // Label6 is shown by nothing else; state stays hidden.
    for (forms::Control* c : viewControls(f))
        EXPECT_TRUE(c->visible()) << c->name();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(f.Command1(i).visible());
        EXPECT_TRUE(f.x(i).visible());
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 3960);
        EXPECT_FLOAT_EQ(f.Image1(i).top(), 120);
    }
    EXPECT_FALSE(f.state.visible());
}

TEST_F(Keys, TheFocusLeavesTheBoxesThePictureOnlyViewHides)
{
    build("2");
    f.Text2.setFocus();
    type('o');
    // Nothing in tab order is left to take it: the window keeps the keys to itself.
    EXPECT_EQ(f.focusControl(), nullptr);
    type('p');
    EXPECT_EQ(f.focusControl(), nullptr);
    f.Text2.setFocus();
    f.Command2.setVisible(false);
    EXPECT_EQ(f.focusControl(), &f.Text2);
    f.Text2.setVisible(false);
    EXPECT_EQ(f.focusControl(), &f.Command3);
}

TEST_F(Keys, MissingFramesAreSkippedAndAnEmptyCountTouchesNone)
{
    f.Text1.setText("5");   // typed, never built
    type('=');
    type(8);
    type('o');
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 4095 * 2);
    EXPECT_TRUE(h.screen.errors.empty());

    f.Text1.setText("");
    type('=');
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 4095 * 2);
    type('p');
    EXPECT_TRUE(f.Command2.visible());
    EXPECT_FLOAT_EQ(f.Image1(0).left(), 100);   // outside the frame range: not moved back
}

TEST_F(Keys, RepeatedEnlargingStopsAtTheLargestSize)
{
    build("1");
    for (int i = 0; i < 40; ++i)
        type('=');
    EXPECT_FLOAT_EQ(f.Image1(0).width(), forms::kMaxTwips);
    EXPECT_TRUE(std::isfinite(f.Image1(0).height()));
}

TEST_F(Keys, EscapeEndsTheProgram)
{
    type(27);
    EXPECT_TRUE(h.app.ended());
    EXPECT_TRUE(h.screen.quitRequested);
}

}
