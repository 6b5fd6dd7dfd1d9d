// SPDX-License-Identifier: MIT
// A drop is an XDND transfer between two programs, which xdotool cannot make; the drops here
// are delivered through Qt's event API to the main window's view, as Qt hands a real one over.
#include "Widgets.h"

#include "shell/Form1.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::drop;
using testing_support::Shown;
using testing_support::TempDir;

TEST(DropWidgets, AFolderOnTheWindowBuildsFramesAndFilesOnAButtonFillFromIt)
{
    TempDir tmp;
    std::filesystem::create_directories(tmp.path() / "walk");
    writePicture(tmp, "walk/walk10.png", 10, 4, 0x0000ff);
    writePicture(tmp, "walk/walk2.png", 2, 4, 0x00ff00);
    writePicture(tmp, "walk/walk1.png", 1, 4, 0xff0000);
    const std::string extra = writePicture(tmp, "extra.bmp", 7, 4, 0xffff00);

    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);

    // No frame set yet: the folder's pictures, in natural order, become three frames at 100 ms.
    ASSERT_TRUE(drop(view, { (tmp.path() / "walk").string() }, QPoint(20, 200)));
    EXPECT_EQ(f.Text1.text(), "3");
    EXPECT_EQ(f.Timer1.interval(), 100);
    ASSERT_EQ(f.frameCount(), 3);
    EXPECT_EQ(f.Image1(0).picture().width(), 1);
    EXPECT_EQ(f.Image1(1).picture().width(), 2);
    EXPECT_EQ(f.Image1(2).picture().width(), 10);

    // On the third frame's button: that frame and a new fourth one.
    s.view(f);
    QPushButton* third = testing_support::button(view, f.Command1(2));
    ASSERT_TRUE(third);
    ASSERT_TRUE(drop(view, { extra, (tmp.path() / "walk/walk1.png").string() }, third->mapTo(&view, third->rect().center())));
    EXPECT_EQ(f.Text1.text(), "4");
    EXPECT_EQ(f.x(2).caption(), extra);
    EXPECT_EQ(f.Image1(3).picture().width(), 1);
    EXPECT_EQ(f.Image1(0).picture().width(), 1);
    s.view(f);
    QPushButton* fourth = testing_support::button(view, f.Command1(3));
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->text(), "4");
}

}
