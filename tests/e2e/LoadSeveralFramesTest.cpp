// SPDX-License-Identifier: MIT
#include "ProgramTest.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace e2e;

using LoadSeveralFrames = ProgramTest;

// Four pictures chosen at once in Load Frame, with the mouse and Shift and Ctrl as a person
// does, go into a two-frame animation, which grows to four frames.
TEST_F(LoadSeveralFrames, ShiftAndCtrlSelectionFillsAndGrowsTheAnimation)
{
    const std::vector<std::string> pictures
        = writeFramePictures({ "1red.bmp", "2green.bmp", "3blue.bmp", "4yellow.bmp" });
    startAndLogIn();
    if (HasFatalFailure())
        return;
    // Two frames at 100 ms a picture.
    build(2, "100");
    if (HasFatalFailure())
        return;
    const QColor background = mainPixel(frameButton(3) + QPoint(0, -30));
    ASSERT_EQ(mainPixel(frameButton(3)), background) << "a fourth frame button before any was made";

    x.key("F7");
    const std::string dialog = x.waitForWindow("^Load Frame$", 30s);
    ASSERT_FALSE(dialog.empty()) << "the Load Frame dialog did not appear";
    const QPoint origin = x.windowPosition(dialog);
    clickIn(dialog, kLoadFrameDirectories);
    x.key("End");
    x.key("Return");

    // A click on the first file, Shift+Down twice: three files, the preview on the third.
    clickIn(dialog, kLoadFrameFiles);
    ASSERT_TRUE(X11Session::waitUntil([&] { return frameOf(x.pixel(origin + kLoadFramePreview)) == 0; }, 30s))
        << "the preview does not show the file clicked";
    x.key("shift+Down");
    x.key("shift+Down");
    ASSERT_TRUE(X11Session::waitUntil([&] { return frameOf(x.pixel(origin + kLoadFramePreview)) == 2; }, 30s))
        << "the preview does not follow the selection's last file";
    // Ctrl+click takes the second away again; Ctrl+A then selects all four.
    x.xdotool({ "keydown", "ctrl" });
    x.click(dialog, kLoadFrameFiles.x(), kLoadFrameFiles.y() + 16);
    x.xdotool({ "keyup", "ctrl" });
    x.key("ctrl+a");
    clickIn(dialog, kLoadFrameOk);
    ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Load Frame$"); }, 30s))
        << "the dialog stayed open";
    ASSERT_TRUE(X11Session::waitUntil([&] { return mainPixel(frameButton(3)) != background; }, 30s))
        << "the animation did not grow to four frames";

    // Saved, the animation holds the four files in the list's order, from frame 1 on.
    saveAs("many");
    if (HasFatalFailure())
        return;
    std::string expected = "4\r\n100\r\n";
    for (const std::string& picture : pictures)
        expected += picture + "\r\n";
    EXPECT_EQ(contentOf(home() / "many.ani"), expected);
    x.key("Escape");
}

}
