// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/ExportScreen.h"
#include "forms/Progress.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using testing_support::Headless;
using testing_support::settingsFinished;

// The kind list decides the output's extension; the option boxes become the command's options,
// left out where they are empty or say what the command does anyway.
TEST(ExportScreen, choicesBecomeTheCommandsArguments)
{
    Headless h;
    movelle::ExportScreen& d = h.app.ExportScreen();
    struct Case {
        std::string output;
        std::string kind;
        std::string scale;
        std::string dither;
        std::vector<std::string> arguments;
    };
    for (const Case& c : {
             Case { "/tmp/walk.gif", "GIF", "1", "No", { "a.ani", "/tmp/walk.gif", "--quiet" } },
             Case { "/tmp/walk.gif", "WebM", "0.5", "No", { "a.ani", "/tmp/walk.webm", "--quiet", "--scale", "0.5" } },
             Case { "/tmp/walk", "MP4", "1280x720", "No", { "a.ani", "/tmp/walk.mp4", "--quiet", "--size", "1280x720" } },
             Case { "/tmp/walk.gif", "PNG folder", "", "Yes", { "a.ani", "/tmp/walk/", "--quiet", "--dither" } },
             Case { "/tmp/frames/", "WebP", "1", "No", { "a.ani", "/tmp/frames.webp", "--quiet" } },
         }) {
        d.Text1.setText(c.output);
        d.Combo1.setText(c.kind);
        d.Text2.setText(c.scale);
        d.Combo2.setText(c.dither);
        EXPECT_EQ(d.exportArguments("a.ani"), c.arguments) << c.output << " as " << c.kind;
    }
    d.Combo1.setText("GIF");
    d.Combo2.setText("No");
    d.Text2.setText("1");
    d.Text3.setText("black");
    d.Text4.setText("80");
    d.Text5.setText("30");
    EXPECT_EQ(d.exportArguments("a.ani"), (std::vector<std::string> { "a.ani", "/tmp/frames.gif", "--quiet", "--background",
                                                                       "black", "--quality", "80", "--fps", "30" }));
}

// OK hands the engine the animation as the window holds it (unsaved), then returns to the main
// window; a failure is reported and keeps the dialog; a stopped export keeps it silently.
TEST(ExportScreen, exportsTheWindowsAnimation)
{
    Headless h;
    movelle::Form1& main = h.app.Form1();
    settingsFinished(main, "2", "40");
    main.x(1).setCaption("/pictures/b.png");

    std::string written;
    std::string answer;
    h.app.setExporter([&](const std::vector<std::string>& arguments, forms::Progress&) {
        std::ifstream file(arguments.at(0), std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return answer;
    });
    movelle::ExportScreen& d = h.app.ExportScreen();
    main.fex.click();
    d.Text1.setText("/tmp/out.gif");
    d.Command1.click();
    EXPECT_EQ(written, "2\r\n40\r\n\r\n/pictures/b.png\r\n");
    EXPECT_EQ(h.screen.hidden.back(), "ExportScreen");
    EXPECT_TRUE(h.screen.errors.empty());

    answer = "cannot write /tmp/out.gif: No space left on device";
    main.fex.click();
    h.screen.hidden.clear();
    d.Command1.click();
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_EQ(h.screen.errors[0], "The animation was not exported: " + answer);
    h.screen.cancelWork = true;
    answer.clear();
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 1u);
    EXPECT_TRUE(h.screen.hidden.empty());

    // A count the frames do not have is no animation to export.
    h.screen.cancelWork = false;
    main.Text1.setText("5x");
    d.Command1.click();
    ASSERT_EQ(h.screen.errors.size(), 2u);
    EXPECT_NE(h.screen.errors[1].find("The animation was not exported: the frame count \"5x\""), std::string::npos)
        << h.screen.errors[1];
}

}
