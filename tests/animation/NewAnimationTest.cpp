// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using testing_support::settingsFinished;

using NewAnimation = testing_support::HeadlessTest;

TEST_F(NewAnimation, RemovesEveryFrameButTheFirstAndEmptiesTheSettings)
{
    testing_support::TempDir dir;
    f.Image1(0).setPicture(h.app.loadPicture(writePicture(dir, "p.png", 4, 4, 0xff)));
    f.x(0).setCaption("/p.png");
    settingsFinished(f, "5", "100");
    f.Command1(3).click();
    f.Command5.click();
    h.clock.advance(250);
    f.characterTyped('=');
    f.characterTyped('o');
    // New leaves these buttons enabled or not as they were, and every control outside the frame
    // arrays as visible as it was.
    const std::vector<forms::CommandButton*> keptEnabled { &f.Command2,  &f.Command4,  &f.Command9,  &f.Command10,
                                                           &f.Command11, &f.Command12, &f.Command13, &f.Command14 };
    std::vector<bool> enabledBefore;
    for (forms::CommandButton* b : keptEnabled)
        enabledBefore.push_back(b->enabled());
    std::map<const forms::Control*, bool> visibleBefore;
    for (const forms::Control* c : f.controls())
        visibleBefore[c] = c->visible();

    f.fn.click();
    EXPECT_EQ(f.Image1.count(), 1);
    EXPECT_EQ(f.Command1.count(), 1);
    EXPECT_EQ(f.x.count(), 1);
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_FALSE(f.Timer2.enabled());
    EXPECT_EQ(f.Timer1.interval(), 100);
    EXPECT_EQ(f.l.caption(), "0");
    EXPECT_EQ(f.lv.caption(), "1");
    EXPECT_FALSE(f.Command1(0).enabled());
    EXPECT_EQ(f.Command1(0).caption(), "1");
    EXPECT_FALSE(f.Image1(0).enabled());
    EXPECT_TRUE(f.Image1(0).visible());
    EXPECT_TRUE(f.Image1(0).picture().isNull());
    EXPECT_EQ(f.x(0).caption(), "");
    EXPECT_EQ(f.Text1.text(), "");
    EXPECT_EQ(f.Text2.text(), "");
    for (forms::CommandButton* b : { &f.Command3, &f.Command5, &f.Command6, &f.Command7, &f.Command8 })
        EXPECT_FALSE(b->enabled());
    // Left as they were: the selection, the view and the picture's size and stretching.
    EXPECT_EQ(f.Label6.caption(), "3");
    EXPECT_EQ(f.l6v.caption(), "4");
    for (std::size_t k = 0; k < keptEnabled.size(); ++k)
        EXPECT_EQ(keptEnabled[k]->enabled(), enabledBefore[k]) << keptEnabled[k]->name();
    EXPECT_TRUE(f.Command4.enabled());
    EXPECT_TRUE(f.Command9.enabled());
    ASSERT_EQ(f.controls().size(), visibleBefore.size());
    for (const forms::Control* c : f.controls()) {
        if (c != &f.Image1(0)) {
            EXPECT_EQ(c->visible(), visibleBefore.at(c)) << c->name();
        }
    }
    EXPECT_FALSE(f.Command2.visible());
    EXPECT_FLOAT_EQ(f.Image1(0).left(), 100);
    EXPECT_TRUE(f.Image1(0).stretch());
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 4 * 15 * 2);

    // No tick follows, and New again changes nothing.
    h.clock.advance(1000);
    EXPECT_EQ(f.l.caption(), "0");
    f.fn.click();
    EXPECT_EQ(f.Image1.count(), 1);
    EXPECT_TRUE(h.screen.errors.empty());
}

TEST_F(NewAnimation, UnloadsExactlyTheFramesThatExistWhateverTheCountSays)
{
    settingsFinished(f, "6", "100");
    f.Text1.setText("3");   // edited after building: frames 3 to 5 must go too
    f.fn.click();
    EXPECT_EQ(f.Image1.count(), 1);
    settingsFinished(f, "4", "100");
    EXPECT_EQ(f.Image1.count(), 4);
    EXPECT_TRUE(f.Command5.enabled());

    f.Text1.setText("9");   // more than exist: no error
    f.fn.click();
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_EQ(f.Command1.count(), 1);
}

TEST_F(NewAnimation, AfterAnOpenTheNextSettingsFinishedBuildsTheTypedCount)
{
    f.state.setCaption("open");   // as a successful open leaves it
    f.fn.click();
    EXPECT_EQ(f.state.caption(), "");
    settingsFinished(f, "3", "100");
    EXPECT_EQ(f.Image1.count(), 3);
}

}
