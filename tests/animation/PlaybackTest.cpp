// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using testing_support::settingsFinished;

using Playback = testing_support::HeadlessTest;
using FrameButtons = testing_support::HeadlessTest;

int visibleFrame(const movelle::Form1& f)
{
    int shown = -1;
    for (int i = 0; i < f.Image1.size(); ++i) {
        if (f.Image1.exists(i) && f.Image1(i).visible()) {
            if (shown >= 0)
                return -2;   // more than one
            shown = i;
        }
    }
    return shown;
}

TEST_F(Playback, ThreeFramesLoopWithTheWrapAfterTheIncrement)
{
    settingsFinished(f, "3", "100");
    f.Command5.click();
    std::vector<int> shown;
    std::vector<std::string> l;
    std::vector<std::string> lv;
    h.clock.advance(1);
    for (int tick = 0; tick < 5; ++tick) {
        // Each tick, then the next millisecond's refresh of the on-screen numbers.
        h.clock.advance(100);
        shown.push_back(visibleFrame(f));
        l.push_back(f.l.caption());
        lv.push_back(f.lv.caption());
    }
    EXPECT_EQ(shown, (std::vector<int> { 0, 1, 2, 0, 1 }));
    EXPECT_EQ(l, (std::vector<std::string> { "1", "2", "0", "1", "2" }));
    EXPECT_EQ(lv, (std::vector<std::string> { "2", "3", "1", "2", "3" }));

    // Stop leaves the picture and the position; start resumes with the next frame.
    f.Command6.click();
    h.clock.advance(1000);
    EXPECT_EQ(visibleFrame(f), 1);
    f.Command9.click();
    h.clock.advance(100);
    EXPECT_EQ(visibleFrame(f), 2);
}

TEST_F(Playback, OneFrameStaysOnScreen)
{
    settingsFinished(f, "1", "10");
    f.vp.click();
    h.clock.advance(50);
    EXPECT_EQ(visibleFrame(f), 0);
    EXPECT_EQ(f.l.caption(), "0");
}

TEST_F(Playback, StartBeforeSettingsFinishedPlaysOnceARateIsSet)
{
    f.Command9.click();   // the toolbar play button is enabled from the start
    EXPECT_TRUE(f.Timer1.enabled());
    h.clock.advance(1000);
    EXPECT_EQ(f.l.caption(), "0");   // Interval 0: no tick

    settingsFinished(f, "2", "100");
    h.clock.advance(100);
    EXPECT_EQ(f.l.caption(), "1");
}

TEST_F(Playback, AnEditedOrFractionalCountUsesOnlyTheFramesThatExist)
{
    settingsFinished(f, "3", "10");
    f.Text1.setText("7");   // edited after building
    f.Command5.click();
    std::vector<int> shown;
    std::vector<std::string> next;
    for (int tick = 0; tick < 7; ++tick) {
        h.clock.advance(10);
        shown.push_back(visibleFrame(f));
        next.push_back(f.l.caption());
    }
    // l wraps after the last frame that exists, never reaching the count of 7.
    EXPECT_EQ(shown, (std::vector<int> { 0, 1, 2, 0, 1, 2, 0 }));
    EXPECT_EQ(next, (std::vector<std::string> { "1", "2", "0", "1", "2", "0", "1" }));
    EXPECT_TRUE(h.screen.errors.empty());

    f.Text1.setText("");   // as New leaves it: frame 0 only, no error on any tick
    h.clock.advance(100);
    EXPECT_TRUE(h.screen.errors.empty());
}

TEST_F(FrameButtons, AClickSelectsTheFrameAndShowsItAloneUntilTheNextTick)
{
    settingsFinished(f, "6", "100");
    EXPECT_EQ(h.app.existing("Form2"), nullptr);
    f.Command1(4).click();
    EXPECT_EQ(f.Label6.caption(), "4");
    ASSERT_NE(h.app.existing("Form2"), nullptr);   // created, not shown
    EXPECT_EQ(h.app.Form2().Label2.caption(), "4");
    EXPECT_FALSE(h.app.Form2().isShown());
    EXPECT_EQ(visibleFrame(f), 4);
    h.clock.advance(1);
    EXPECT_EQ(f.l6v.caption(), "5");

    // During playback the next tick takes over; l is untouched by the click.
    f.Command5.click();
    h.clock.advance(100);
    EXPECT_EQ(visibleFrame(f), 0);
    f.Command1(3).click();
    EXPECT_EQ(f.l.caption(), "1");
    h.clock.advance(100);
    EXPECT_EQ(visibleFrame(f), 1);
}

TEST_F(FrameButtons, DefaultFillsInOneFrameAtOneMillisecond)
{
    f.Text1.setText("12");
    f.Text2.setText("40");
    f.Command2.click();
    EXPECT_EQ(f.Text1.text(), "1");
    EXPECT_EQ(f.Text2.text(), "1");
    EXPECT_EQ(f.Image1.count(), 1);
    EXPECT_EQ(f.Timer1.interval(), 0);
}

TEST_F(Playback, ACountEditedDownwardsLeavesNoStalePictureOnScreen)
{
    settingsFinished(f, "4", "10");   // every frame picture is visible right after building
    f.Text1.setText("2");

    // A frame button: the chosen picture alone, even beyond the edited count.
    f.Command1(3).click();
    EXPECT_EQ(visibleFrame(f), 3);
    f.Command1(1).click();
    EXPECT_EQ(visibleFrame(f), 1);

    // Playback: one picture after every tick, wrapping at the edited count.
    f.Command1(3).click();
    f.Command5.click();
    std::vector<int> shown;
    for (int tick = 0; tick < 3; ++tick) {
        h.clock.advance(10);
        shown.push_back(visibleFrame(f));
    }
    EXPECT_EQ(shown, (std::vector<int> { 0, 1, 0 }));
    EXPECT_TRUE(h.screen.errors.empty());
}

}

namespace {

// Records which pictures each tick asks to have decoded ahead.
class AheadRecorder final : public forms::PictureDecoder {
public:
    forms::Picture decode(const std::string&) override { return {}; }
    void decodeAhead(const std::vector<forms::Picture>& upcoming) override
    {
        std::vector<int> widths;
        for (const forms::Picture& picture : upcoming)
            widths.push_back(picture.width());
        asked.push_back(widths);
    }
    std::vector<std::vector<int>> asked;
};

// Frame i shows a picture i + 1 pixels wide, but for the frames in `empty`.
std::vector<std::vector<int>> askedWhilePlaying(int frames, const std::vector<int>& empty, int ticks)
{
    testing_support::RecordingWindowSystem screen;
    forms::ManualClock clock;
    AheadRecorder decoder;
    movelle::Movelle app { screen, clock, decoder };
    movelle::Form1& f = app.Form1();
    settingsFinished(f, std::to_string(frames), "100");
    for (int i = 0; i < frames; ++i) {
        if (std::find(empty.begin(), empty.end(), i) == empty.end())
            f.Image1(i).setPicture(forms::Picture(std::make_shared<forms::PlainPicture>(i + 1, 1)));
    }
    f.Command5.click();
    clock.advance(100 * ticks);
    return decoder.asked;
}

}

TEST_F(Playback, EachTickAsksForTheNextPicturesInPlayingOrder)
{
    // Eight frames ahead of the playhead, wrapping after the last, skipping empty frames.
    const auto ten = askedWhilePlaying(10, { 4 }, 10);
    ASSERT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten[0], (std::vector<int> { 2, 3, 4, 6, 7, 8, 9 }));
    EXPECT_EQ(ten[6], (std::vector<int> { 8, 9, 10, 1, 2, 3, 4 }));
    EXPECT_EQ(ten[9], (std::vector<int> { 1, 2, 3, 4, 6, 7, 8 }));
    // Fewer frames than that: each once, the next one first.
    const auto three = askedWhilePlaying(3, {}, 3);
    EXPECT_EQ(three, (std::vector<std::vector<int>> { { 2, 3, 1 }, { 3, 1, 2 }, { 1, 2, 3 } }));
}
