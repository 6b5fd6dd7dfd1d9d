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

class OpenScreen : public ::testing::Test {
protected:
    OpenScreen()
    {
        h.app.Form1().show();
        red = dir.writePicture("red.bmp", 4, 3, 0xff0000);
        green = dir.writePicture("green.bmp", 5, 6, 0x00ff00);
        blue = dir.writePicture("blue.png", 7, 2, 0x0000ff);
    }

    // Writes an animation file of the given lines, each ended by CR LF.
    std::string writeAnimation(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        return dir.writeFile(name, bytes);
    }

    // Opens the dialog from the toolbar, picks `name` in the directory and presses OK.
    movelle::Form4& open(const std::string& name, const std::string& directory = {})
    {
        h.app.Form1().Command13.click();
        movelle::Form4& d = h.app.Form4();
        d.Dir1.open(directory.empty() ? dir.str() : directory);
        d.Text1.setText(name);
        d.Command1.click();
        return d;
    }

    // The main window as it stands before any open: nothing built, nothing set.
    static void expectUntouched(const movelle::Form1& f)
    {
        EXPECT_EQ(f.Image1.count(), 1);
        EXPECT_EQ(f.x.count(), 1);
        EXPECT_EQ(f.Command1.count(), 1);
        EXPECT_TRUE(f.Image1(0).picture().isNull());
        EXPECT_EQ(f.x(0).caption(), "");
        EXPECT_EQ(f.Text1.text(), "");
        EXPECT_EQ(f.Text2.text(), "");
        EXPECT_EQ(f.state.caption(), "");
        EXPECT_EQ(f.Timer1.interval(), 0);
        EXPECT_FALSE(f.Command5.enabled());
    }

    Headless h;
    TempDir dir;
    std::string red, green, blue;
};

TEST_F(OpenScreen, DesignTimeDialogAndFileClick)
{
    movelle::Form4& d = h.app.Form4();
    EXPECT_EQ(d.caption(), "Open Screen");
    EXPECT_FLOAT_EQ(d.clientWidth(), 5370);
    EXPECT_FLOAT_EQ(d.clientHeight(), 3885);
    EXPECT_EQ(d.iconName(), ":/icons/open.svg");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));
    EXPECT_TRUE(d.Label2.wordWrap());
    EXPECT_EQ(d.Text1.text(), "*.ani");
    EXPECT_TRUE(d.File1.enabled());
    EXPECT_EQ(d.File1.pattern(), "*.ani");
    ASSERT_EQ(d.tabOrder().size(), 8u);
    EXPECT_EQ(d.tabOrder()[0], &d.Text1);
    EXPECT_EQ(d.tabOrder()[1], &d.File1);

    writeAnimation("walk.ani", { "1", "100", red });
    d.Dir1.open(dir.str());
    d.File1.select("walk.ani");
    EXPECT_EQ(d.Text1.text(), "walk.ani");
    d.Command1.click();
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    EXPECT_EQ(h.app.Form1().x(0).caption(), red);
}

TEST_F(OpenScreen, RebuildsTheFrameSetOfTheFile)
{
    writeAnimation("anim.ani", { "05", "0100", red, green, "", blue, red });
    movelle::Form4& d = open("anim.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    movelle::Form1& f = h.app.Form1();

    EXPECT_EQ(f.Text1.text(), "5");
    EXPECT_EQ(f.Text2.text(), "100");
    EXPECT_EQ(f.Timer1.interval(), 100);
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_TRUE(f.Timer2.enabled());
    EXPECT_EQ(f.state.caption(), "open");
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");

    ASSERT_EQ(f.Image1.count(), 5);
    ASSERT_EQ(f.x.count(), 5);
    ASSERT_EQ(f.Command1.count(), 5);
    const std::vector<std::string> paths { red, green, "", blue, red };
    const std::vector<int> widths { 4, 5, 0, 7, 4 };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.x(i).caption(), paths[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(f.Image1(i).picture().width(), widths[static_cast<std::size_t>(i)]) << i;
        EXPECT_TRUE(f.Image1(i).visible()) << i;
        EXPECT_TRUE(f.Image1(i).enabled()) << i;
        EXPECT_TRUE(f.x(i).enabled()) << i;
        EXPECT_TRUE(f.Command1(i).enabled()) << i;
        EXPECT_EQ(f.Command1(i).caption(), std::to_string(i + 1));
        EXPECT_FLOAT_EQ(f.Image1(i).left(), 3960);
        EXPECT_FLOAT_EQ(f.x(i).top(), 2760);
    }
    // A file that several frames show is decoded once: the frames share the picture.
    EXPECT_EQ(f.Image1(0).picture(), f.Image1(4).picture());

    for (forms::CommandButton* b : { &f.Command9, &f.Command10, &f.Command11, &f.Command13, &f.Command3, &f.Command4,
                                     &f.Command5, &f.Command6, &f.Command7, &f.Command8 })
        EXPECT_TRUE(b->enabled()) << b->name();

    // The rebuilt animation plays.
    f.Command5.click();
    h.clock.advance(100);
    EXPECT_EQ(f.l.caption(), "1");
}

TEST_F(OpenScreen, TenFramesStandInTwoRows)
{
    std::vector<std::string> lines { "10", "20" };
    for (int i = 0; i < 10; ++i)
        lines.push_back(i % 2 ? green : red);
    writeAnimation("ten.ani", lines);
    open("ten.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    movelle::Form1& f = h.app.Form1();
    ASSERT_EQ(f.Command1.count(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FLOAT_EQ(f.Command1(i).left(), 4080 + 500 * (i % 8)) << i;
        EXPECT_FLOAT_EQ(f.Command1(i).top(), 3960 + 255 * (i / 8)) << i;
        EXPECT_EQ(f.Command1(i).caption(), std::to_string(i + 1));
        EXPECT_TRUE(f.Command1(i).visible());
    }
}

TEST_F(OpenScreen, RatesRoundHalvesToEven)
{
    for (const auto& [rate, interval] : { std::pair { "100.5", 100 }, std::pair { "101.5", 102 } }) {
        Headless other;
        other.app.Form1().show();
        writeAnimation("rate.ani", { "1", rate, red });
        other.app.Form1().Command13.click();
        movelle::Form4& d = other.app.Form4();
        d.Dir1.open(dir.str());
        d.Text1.setText("rate.ani");
        d.Command1.click();
        ASSERT_TRUE(other.screen.errors.empty()) << other.screen.errors[0];
        EXPECT_EQ(other.app.Form1().Text2.text(), rate);
        EXPECT_EQ(other.app.Form1().Timer1.interval(), interval) << rate;
    }
}

TEST_F(OpenScreen, OneFrameCreatesNothing)
{
    writeAnimation("one.ani", { "1", "200", blue });
    open("one.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    movelle::Form1& f = h.app.Form1();
    EXPECT_EQ(f.Command1.count(), 1);
    EXPECT_EQ(f.Image1.count(), 1);
    EXPECT_EQ(f.Image1(0).picture().width(), 7);
    EXPECT_EQ(f.x(0).caption(), blue);
    EXPECT_EQ(f.Text1.text(), "1");
    EXPECT_TRUE(f.Command1(0).enabled());
}

TEST_F(OpenScreen, FramesPastTheLastLineKeepWhatElementZeroHad)
{
    movelle::Form1& f = h.app.Form1();
    // Frame 0 has a picture before the open (the Load Frame dialog can fill it at any time).
    f.Image1(0).setPicture(h.app.loadPicture(green));
    f.x(0).setCaption(green);

    writeAnimation("short.ani", { "3", "10", red });
    open("short.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    ASSERT_EQ(f.Image1.count(), 3);
    EXPECT_EQ(f.x(0).caption(), red);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(f.x(i).caption(), green) << i;
        EXPECT_EQ(f.Image1(i).picture().width(), 5) << i;
        EXPECT_TRUE(f.x(i).enabled()) << i;
    }
}

TEST_F(OpenScreen, AnEmptyFrameLineClearsTheFrame)
{
    movelle::Form1& f = h.app.Form1();
    f.Image1(0).setPicture(h.app.loadPicture(green));
    f.x(0).setCaption(green);
    writeAnimation("blank.ani", { "1", "10", "" });
    open("blank.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    EXPECT_TRUE(f.Image1(0).picture().isNull());
    EXPECT_EQ(f.x(0).caption(), "");
}

TEST_F(OpenScreen, AnEmptyCountBuildsNoFrames)
{
    // The frame line is never read: with no frames there is nothing to put it into.
    writeAnimation("none.ani", { "", "100", "/no/such/picture.bmp" });
    open("none.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    movelle::Form1& f = h.app.Form1();
    EXPECT_EQ(f.Text1.text(), "");
    EXPECT_EQ(f.Image1.count(), 1);
    EXPECT_EQ(f.x(0).caption(), "");
    EXPECT_FALSE(f.Command1(0).enabled());
    EXPECT_TRUE(f.Command5.enabled());
    EXPECT_TRUE(f.Timer2.enabled());
    EXPECT_EQ(f.state.caption(), "open");
    EXPECT_EQ(f.Timer1.interval(), 100);
}

TEST_F(OpenScreen, EmptyNameCancelAndNamesAsTyped)
{
    h.app.Form1().Command13.click();
    movelle::Form4& d = h.app.Form4();
    d.Dir1.open(dir.str());
    d.Text1.setText("");
    d.Command1.click();
    EXPECT_TRUE(d.isShown());
    EXPECT_TRUE(h.screen.errors.empty());

    // No extension is added on opening.
    writeAnimation("plain", { "1", "10", red });
    d.Text1.setText("plain");
    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(d.Text1.text(), "plain");
    expectUntouched(h.app.Form1());

    h.app.Form1().fo.click();
    d.Command1.click();
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    EXPECT_EQ(h.app.Form1().x(0).caption(), red);
}

TEST_F(OpenScreen, MissingAndCorruptPicturesChangeNothingAndAreNamedTogether)
{
    const std::string missing = (dir.path() / "gone.bmp").string();
    const std::string corrupt = dir.writeFile("corrupt.bmp", "BM this is not really a bitmap");
    writeAnimation("bad.ani", { "4", "100", red, missing, corrupt, missing });
    movelle::Form4& d = open("bad.ani");

    ASSERT_EQ(h.screen.errors.size(), 1u);
    const std::string& message = h.screen.errors[0];
    EXPECT_NE(message.find(dir.str() + "/bad.ani"), std::string::npos) << message;
    EXPECT_NE(message.find("Frames 2 and 4: cannot read " + missing), std::string::npos) << message;
    EXPECT_NE(message.find("Frame 3: cannot read " + corrupt), std::string::npos) << message;
    expectUntouched(h.app.Form1());
    EXPECT_TRUE(d.isShown());
}

TEST_F(OpenScreen, BadCountsAndRatesChangeNothing)
{
    struct Case {
        std::vector<std::string> lines;
        std::string says;
    };
    const std::vector<Case> cases {
        { { "abc", "100" }, "frame count \"abc\"" },
        { { "5x", "100" }, "frame count \"5x\"" },
        { { "40000", "100" }, "larger than 32768" },
        { { "1", "" }, "rate line" },
        { { "1", "fast" }, "rate \"fast\"" },
        { { "1", "70000" }, "rate 70000" },
        { { "1", "-1" }, "rate -1" },
        { { "1", "1e300" }, "rate 1E+300" },
        { { "1" }, "ends before the rate line" },
        { {}, "ends before the frame count line" },
    };
    for (const Case& c : cases) {
        Headless other;
        other.app.Form1().show();
        writeAnimation("bad.ani", c.lines);
        other.app.Form1().Command13.click();
        movelle::Form4& d = other.app.Form4();
        d.Dir1.open(dir.str());
        d.Text1.setText("bad.ani");
        d.Command1.click();
        ASSERT_EQ(other.screen.errors.size(), 1u) << c.says;
        EXPECT_NE(other.screen.errors[0].find(c.says), std::string::npos) << other.screen.errors[0];
        EXPECT_NE(other.screen.errors[0].find(dir.str() + "/bad.ani"), std::string::npos) << other.screen.errors[0];
        expectUntouched(other.app.Form1());
    }

    open("no-such-file.ani");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("no-such-file.ani"), std::string::npos);
    expectUntouched(h.app.Form1());
}

TEST_F(OpenScreen, OpeningOverABuiltFrameSetIsRefused)
{
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("3");
    f.Text2.setText("50");
    f.Command4.click();
    ASSERT_EQ(f.Image1.count(), 3);

    writeAnimation("anim.ani", { "1", "100", red });
    movelle::Form4& d = open("anim.ani");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("\"&New\""), std::string::npos) << h.screen.errors[0];
    EXPECT_EQ(f.Image1.count(), 3);
    EXPECT_EQ(f.Text1.text(), "3");
    EXPECT_EQ(f.x(0).caption(), "");
    EXPECT_EQ(f.state.caption(), "");
    EXPECT_EQ(f.Timer1.interval(), 50);
    EXPECT_TRUE(d.isShown());

    // After "&New" the same file opens.
    f.fn.click();
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 1u);
    EXPECT_EQ(f.x(0).caption(), red);
    EXPECT_EQ(f.state.caption(), "open");
}

TEST_F(OpenScreen, AMovedAnimationFindsItsPicturesBesideIt)
{
    const std::filesystem::path moved = dir.path() / "moved";
    std::filesystem::create_directory(moved);
    std::filesystem::copy_file(red, moved / "red.bmp");
    std::filesystem::copy_file(green, moved / "green.bmp");
    // Paths of the place the animation was made, one of them written on Windows.
    writeAnimation("moved/anim.ani", { "3", "10", "/home/someone/old/red.bmp", "C:\\PICS\\green.bmp", "" });

    open("anim.ani", moved.string());
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    movelle::Form1& f = h.app.Form1();
    EXPECT_EQ(f.x(0).caption(), (moved / "red.bmp").string());
    EXPECT_EQ(f.x(1).caption(), (moved / "green.bmp").string());
    EXPECT_EQ(f.Image1(0).picture().width(), 4);
    EXPECT_EQ(f.Image1(1).picture().width(), 5);
    EXPECT_EQ(f.x(2).caption(), "");
}

TEST_F(OpenScreen, AWindows1252PathLine)
{
    // The file on disk carries its name in UTF-8; the animation file names it in Windows-1252.
    const std::string picture = dir.writePicture("caf\xC3\xA9.bmp", 3, 3, 0x808080);
    writeAnimation("old.ani", { "1", "10", dir.str() + "/caf\xE9.bmp" });
    open("old.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    EXPECT_EQ(h.app.Form1().x(0).caption(), picture);
    EXPECT_EQ(h.app.Form1().Image1(0).picture().width(), 3);
}

TEST_F(OpenScreen, ACommaSurvivesTheRoundTripThroughBothDialogs)
{
    const std::string commaPicture = dir.writePicture("a,b.bmp", 9, 9, 0x123456);
    const std::string quotePicture = dir.writePicture("\"quoted\".bmp", 8, 8, 0x654321);
    movelle::Form1& f = h.app.Form1();
    f.Text1.setText("3");
    f.Text2.setText("75");
    f.Command4.click();
    f.Image1(0).setPicture(h.app.loadPicture(commaPicture));
    f.x(0).setCaption(commaPicture);
    f.x(1).setCaption(quotePicture);
    f.Image1(1).setPicture(h.app.loadPicture(quotePicture));
    f.x(2).setCaption(red);
    f.Image1(2).setPicture(h.app.loadPicture(red));

    f.Command12.click();
    movelle::Form3& save = h.app.Form3();
    save.Dir1.open(dir.str());
    save.Text1.setText("comma");
    save.Command1.click();
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];

    f.fn.click();
    open("comma.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors[0];
    ASSERT_EQ(f.Image1.count(), 3);
    EXPECT_EQ(f.x(0).caption(), commaPicture);
    EXPECT_EQ(f.x(1).caption(), quotePicture);
    EXPECT_EQ(f.x(2).caption(), red);
    EXPECT_EQ(f.Image1(0).picture().width(), 9);
    EXPECT_EQ(f.Image1(1).picture().width(), 8);
    EXPECT_EQ(f.Text1.text(), "3");
    EXPECT_EQ(f.Text2.text(), "75");
}

TEST_F(OpenScreen, SerialAndParallelDecodingGiveTheSameFrames)
{
    std::vector<std::string> lines { "12", "10" };
    for (int i = 0; i < 12; ++i)
        lines.push_back(dir.writePicture("f" + std::to_string(i) + ".png", i + 1, 2, 0x102030u * static_cast<unsigned>(i)));
    writeAnimation("many.ani", lines);

    h.app.Form4().setDecodingThreads(1);
    open("many.ani");
    Headless other;
    other.app.Form1().show();
    other.app.Form4().setDecodingThreads(5);
    other.app.Form4().Dir1.open(dir.str());
    other.app.Form4().Text1.setText("many.ani");
    other.app.Form4().Command1.click();
    ASSERT_TRUE(h.screen.errors.empty() && other.screen.errors.empty());
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(h.app.Form1().Image1(i).picture().width(), i + 1);
        EXPECT_EQ(other.app.Form1().Image1(i).picture().width(), i + 1);
        EXPECT_EQ(other.app.Form1().x(i).caption(), lines[static_cast<std::size_t>(i) + 2]);
    }
}

}
