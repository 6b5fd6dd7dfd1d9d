// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::Headless;
using testing_support::TempDir;

// Opens the dialog from the toolbar, types `name` in `directory` and presses OK.
movelle::Form4& openFile(Headless& h, const std::string& directory, const std::string& name)
{
    h.app.Form1().Command13.click();
    movelle::Form4& d = h.app.Form4();
    d.Dir1.open(directory);
    d.Text1.setText(name);
    d.Command1.click();
    return d;
}

// The main window as the program starts it: nothing built, nothing set.
void expectUntouched(const movelle::Form1& f)
{
    EXPECT_EQ(f.Image1.count() + f.x.count() + f.Command1.count(), 3);
    EXPECT_TRUE(f.Image1(0).picture().isNull());
    EXPECT_EQ(f.x(0).caption() + f.Text1.text() + f.Text2.text() + f.state.caption(), "");
    EXPECT_EQ(f.Timer1.interval(), 0);
    EXPECT_FALSE(f.Command5.enabled());
}

class OpenScreen : public ::testing::Test {
protected:
    OpenScreen()
    {
        red = dir.writePicture("red.bmp", 4, 3, 0xff0000);
        green = dir.writePicture("green.bmp", 5, 6, 0x00ff00);
    }

    std::string writeAnimation(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        return dir.writeFile(name, bytes);
    }

    // Opens an animation of the given lines in a program of its own.
    movelle::Form1& openLines(Headless& other, const std::vector<std::string>& lines)
    {
        writeAnimation("lines.ani", lines);
        openFile(other, dir.str(), "lines.ani");
        EXPECT_TRUE(other.screen.errors.empty()) << other.screen.errors.front();
        return other.app.Form1();
    }

    Headless h;
    TempDir dir;
    std::string red, green;
};

TEST_F(OpenScreen, DialogNamesAndCancel)
{
    movelle::Form4& d = h.app.Form4();
    ASSERT_EQ(d.tabOrder().size(), 8u);
    EXPECT_EQ(d.tabOrder().front(), &d.Text1);

    // OK with an empty name does nothing; Cancel keeps the name.
    openFile(h, dir.str(), "");
    EXPECT_TRUE(d.isShown());
    writeAnimation("plain", { "1", "10", red });
    d.Text1.setText("plain");
    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(d.Text1.text(), "plain");
    expectUntouched(h.app.Form1());

    // A clicked file goes into the name box; a name is opened as typed, no extension added.
    writeAnimation("walk.ani", { "1", "10", green });
    h.app.Form1().fo.click();
    d.File1.select("walk.ani");
    EXPECT_EQ(d.Text1.text(), "walk.ani");
    d.Text1.setText("plain");
    d.Command1.click();
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(h.app.Form1().x(0).caption(), red);
}

TEST_F(OpenScreen, RebuildsTheFrameSetOfTheFile)
{
    movelle::Form1& f = h.app.Form1();
    f.Image1(0).setPicture(h.app.loadPicture(green));
    writeAnimation("anim.ani", { "05", "0100", red, green, "", red, "", "/beyond/the/count.bmp" });
    movelle::Form4& d = openFile(h, dir.str(), "anim.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();

    EXPECT_EQ(f.Text1.text(), "5");
    EXPECT_EQ(f.Text2.text(), "100");
    EXPECT_EQ(f.Timer1.interval(), 100);
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_TRUE(f.Timer2.enabled());
    EXPECT_EQ(f.state.caption(), "open");
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");
    ASSERT_EQ(f.Image1.count() + f.x.count() + f.Command1.count(), 15);
    const std::vector<std::string> paths { red, green, "", red, "" };
    const std::vector<int> widths { 4, 5, 0, 4, 0 };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.x(i).caption(), paths[static_cast<std::size_t>(i)]) << i;
        // An empty line clears what the frame took over from element 0.
        EXPECT_EQ(f.Image1(i).picture().width(), widths[static_cast<std::size_t>(i)]) << i;
        EXPECT_TRUE(f.Image1(i).visible() && f.Image1(i).enabled() && f.x(i).enabled() && f.Command1(i).enabled());
        EXPECT_EQ(f.Command1(i).caption(), std::to_string(i + 1));
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 3960);
        EXPECT_FLOAT_EQ(f.x(i).top(), 2760);
    }
    // One decode for a file that several frames show: they share the picture.
    EXPECT_EQ(f.Image1(0).picture(), f.Image1(3).picture());
    for (forms::CommandButton* b : { &f.Command9, &f.Command10, &f.Command11, &f.Command13, &f.Command3, &f.Command4,
                                     &f.Command5, &f.Command6, &f.Command7, &f.Command8 })
        EXPECT_TRUE(b->enabled()) << b->name();

    f.Command5.click();
    h.clock.advance(100);
    EXPECT_EQ(f.l.caption(), "1");
}

TEST_F(OpenScreen, ACancelledOpenChangesNothingAndTheNextOkOpens)
{
    writeAnimation("anim.ani", { "3", "100", red, green, red });
    h.screen.cancelWork = true;
    movelle::Form4& d = openFile(h, dir.str(), "anim.ani");
    expectUntouched(h.app.Form1());
    EXPECT_TRUE(d.isShown());
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    ASSERT_EQ(h.screen.progressTitles.size(), 1u);
    EXPECT_NE(h.screen.progressTitles[0].find("anim.ani"), std::string::npos) << h.screen.progressTitles[0];
    // Cancelled before the first picture: none was read.
    EXPECT_EQ(h.screen.progressShown[0], std::make_pair(0, 3));

    h.screen.cancelWork = false;
    d.Command1.click();
    EXPECT_EQ(h.app.Form1().Image1.count(), 3);
    EXPECT_FALSE(d.isShown());
    // The progress counts frames, a picture shown by two frames twice.
    EXPECT_EQ(h.screen.progressShown[1], std::make_pair(3, 3));
}

TEST_F(OpenScreen, CountsAndRates)
{
    Headless one;
    movelle::Form1& single = openLines(one, { "1", "100.5", green });
    EXPECT_EQ(single.Command1.count(), 1);
    EXPECT_EQ(single.Image1(0).picture().width(), 5);
    EXPECT_EQ(single.Timer1.interval(), 100);

    Headless ten;
    std::vector<std::string> lines { "10", "101.5" };
    lines.insert(lines.end(), 10, red);
    movelle::Form1& rows = openLines(ten, lines);
    EXPECT_EQ(rows.Timer1.interval(), 102);
    ASSERT_EQ(rows.Command1.count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FLOAT_EQ(rows.Command1(i).left(), 4080 + 500 * (i % 8)) << i;
        EXPECT_FLOAT_EQ(rows.Command1(i).top(), 3960 + 255 * (i / 8)) << i;
    }

    // Frames past the last line keep what they took over from element 0.
    Headless shorter;
    shorter.app.Form1().x(0).setCaption(green);
    movelle::Form1& kept = openLines(shorter, { "3", "10", red });
    EXPECT_EQ(kept.x(0).caption(), red);
    EXPECT_EQ(kept.x(2).caption(), green);

    // An empty count builds nothing and reads no frame line.
    Headless none;
    movelle::Form1& empty = openLines(none, { "", "100", "/no/such/picture.bmp" });
    EXPECT_EQ(empty.Text1.text(), "");
    EXPECT_EQ(empty.Image1.count(), 1);
    EXPECT_FALSE(empty.Command1(0).enabled());
    EXPECT_TRUE(empty.Command5.enabled());
    EXPECT_EQ(empty.state.caption(), "open");
}

TEST_F(OpenScreen, UnreadablePicturesChangeNothingAndAreNamedInOneMessage)
{
    const std::string missing = (dir.path() / "gone.bmp").string();
    const std::string corrupt = dir.writeFile("corrupt.bmp", "BM this is not really a bitmap");
    writeAnimation("bad.ani", { "4", "100", red, missing, corrupt, missing });
    movelle::Form4& d = openFile(h, dir.str(), "bad.ani");

    ASSERT_EQ(h.screen.errors.size(), 1u);
    const std::string& message = h.screen.errors[0];
    EXPECT_NE(message.find(dir.str() + "/bad.ani"), std::string::npos) << message;
    EXPECT_NE(message.find("Frames 2 and 4: cannot read " + missing), std::string::npos) << message;
    EXPECT_NE(message.find("Frame 3: cannot read " + corrupt), std::string::npos) << message;
    expectUntouched(h.app.Form1());
    EXPECT_TRUE(d.isShown());
}

TEST_F(OpenScreen, BadFilesChangeNothing)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases {
        { { "abc", "100" }, "frame count \"abc\"" },
        { { "5x", "100" }, "frame count \"5x\"" },
        { { "40000", "100" }, "larger than 32768" },
        { { "1", "" }, "rate line" },
        { { "1", "fast" }, "rate \"fast\"" },
        { { "1", "70000" }, "rate 70000" },
        { { "1", "-1" }, "rate -1" },
        { { "1", "1e300" }, "rate 1E+300" },
        { { "1" }, "ends before the rate line" },
        // A line megabytes long is quoted by its start, so that the message stays readable.
        { { "1", std::string(60, 'f') }, "rate \"" + std::string(60, 'f') + "\" in" },
        { { "1", std::string(61, 'f') }, "rate \"" + std::string(60, 'f') + "...\" (61 characters)" },
        { { std::string(100000, 'a'), "100" }, "frame count \"" + std::string(60, 'a') + "...\" (100000 characters)" },
        { { "1", "100", std::string(10000, 'p') }, std::string(4096, 'p') + "... (10000 characters)" },
    };
    for (const auto& [lines, says] : cases) {
        Headless other;
        writeAnimation("bad.ani", lines);
        openFile(other, dir.str(), "bad.ani");
        ASSERT_EQ(other.screen.errors.size(), 1u) << says;
        EXPECT_NE(other.screen.errors[0].find(says), std::string::npos) << other.screen.errors[0];
        EXPECT_NE(other.screen.errors[0].find(dir.str() + "/bad.ani"), std::string::npos) << other.screen.errors[0];
        EXPECT_LT(other.screen.errors[0].size(), 5000u);
        expectUntouched(other.app.Form1());
    }
    openFile(h, dir.str(), "no-such-file.ani");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("no-such-file.ani"), std::string::npos);
}

TEST_F(OpenScreen, OpeningOverABuiltFrameSetIsRefused)
{
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("3");
    f.Command4.click();
    writeAnimation("anim.ani", { "1", "100", red });
    movelle::Form4& d = openFile(h, dir.str(), "anim.ani");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("\"&New\""), std::string::npos) << h.screen.errors[0];
    EXPECT_EQ(f.Image1.count(), 3);
    EXPECT_EQ(f.Text1.text(), "3");
    EXPECT_EQ(f.x(0).caption() + f.state.caption(), "");
    EXPECT_TRUE(d.isShown());

    f.fn.click();
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 1u);
    EXPECT_EQ(f.x(0).caption(), red);
}

TEST_F(OpenScreen, MovedAndWindowsWrittenAnimationsFindTheirPictures)
{
    const std::filesystem::path moved = dir.path() / "moved";
    std::filesystem::create_directory(moved);
    std::filesystem::copy_file(red, moved / "red.bmp");
    std::filesystem::copy_file(green, moved / "green.bmp");
    // The picture's name is UTF-8 on disk and Windows-1252 in the file.
    const std::string cafe = dir.writePicture("moved/caf\xC3\xA9.bmp", 3, 3, 0x808080);
    writeAnimation("moved/anim.ani", { "3", "10", "/home/someone/old/red.bmp", "C:\\PICS\\green.bmp",
                                       (moved / "caf\xE9.bmp").string() });

    openFile(h, moved.string(), "anim.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    movelle::Form1& f = h.app.Form1();
    EXPECT_EQ(f.x(0).caption(), (moved / "red.bmp").string());
    EXPECT_EQ(f.x(1).caption(), (moved / "green.bmp").string());
    EXPECT_EQ(f.x(2).caption(), cafe);
    EXPECT_EQ(f.Image1(1).picture().width(), 5);
    EXPECT_EQ(f.Image1(2).picture().width(), 3);
}

TEST_F(OpenScreen, CommasAndQuotesSurviveTheRoundTripThroughBothDialogs)
{
    const std::string comma = dir.writePicture("a,b.bmp", 9, 9, 0x123456);
    const std::string quote = dir.writePicture("\"q\".bmp", 8, 8, 0x654321);
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("3");
    f.Text2.setText("75");
    f.Command4.click();
    const std::vector<std::string> paths { comma, quote, red };
    for (int i = 0; i < 3; ++i) {
        f.x(i).setCaption(paths[static_cast<std::size_t>(i)]);
        f.Image1(i).setPicture(h.app.loadPicture(paths[static_cast<std::size_t>(i)]));
    }
    f.Command12.click();
    h.app.Form3().Dir1.open(dir.str());
    h.app.Form3().Text1.setText("comma");
    h.app.Form3().Command1.click();

    f.fn.click();
    openFile(h, dir.str(), "comma.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    ASSERT_EQ(f.Image1.count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(f.x(i).caption(), paths[static_cast<std::size_t>(i)]);
    EXPECT_EQ(f.Image1(0).picture().width(), 9);
    EXPECT_EQ(f.Text1.text() + "/" + f.Text2.text(), "3/75");
}

}
