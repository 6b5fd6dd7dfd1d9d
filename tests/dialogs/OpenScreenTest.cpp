// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::Headless;
using testing_support::mentions;
using testing_support::reported;
using testing_support::settingsFinished;
using testing_support::TempDir;
using AniFileDialogPtr = movelle::AniFileDialog*;

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

class OpenScreen : public testing_support::HeadlessTest {
protected:
    OpenScreen()
    {
        red = writePicture(dir, "red.bmp", 4, 3, 0xff0000);
        green = writePicture(dir, "green.bmp", 5, 6, 0x00ff00);
    }

    // An animation file's bytes: these lines, each ended by CR LF.
    static std::string aniBytes(const std::vector<std::string>& lines)
    {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + "\r\n";
        return bytes;
    }
    std::string writeAnimation(const std::string& name, const std::vector<std::string>& lines)
    {
        return dir.writeFile(name, aniBytes(lines));
    }

    // Opens an animation of the given lines in a program of its own.
    movelle::Form1& openLines(Headless& other, const std::vector<std::string>& lines)
    {
        writeAnimation("lines.ani", lines);
        openFile(other, dir.str(), "lines.ani");
        EXPECT_TRUE(other.screen.errors.empty()) << other.screen.errors.front();
        return other.app.Form1();
    }

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
    expectUntouched(f);

    // A clicked file goes into the name box; a name is opened as typed, no extension added.
    writeAnimation("walk.ani", { "1", "10", green });
    f.fo.click();
    d.File1.select("walk.ani");
    EXPECT_EQ(d.Text1.text(), "walk.ani");
    d.Text1.setText("plain");
    d.Command1.click();
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), red);
}

TEST_F(OpenScreen, ANameWithoutItsExtensionOpensTheFileWithIt)
{
    writeAnimation("walk.ani", { "1", "10", green });
    openFile(h, dir.str(), "walk");
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), green);

    // A file of the very name typed comes first.
    Headless other;
    writeAnimation("both", { "1", "10", red });
    writeAnimation("both.ani", { "1", "10", green });
    openFile(other, dir.str(), "both");
    EXPECT_EQ(other.app.Form1().x(0).caption(), red);

    // Neither there: the message names the name as typed.
    Headless none;
    openFile(none, dir.str(), "gone");
    ASSERT_TRUE(reported(none.screen.errors, 1, { dir.str() + "/gone" }));
    EXPECT_EQ(none.screen.errors[0].find("gone.ani"), std::string::npos) << none.screen.errors[0];
}

TEST_F(OpenScreen, ManyUnreadablePicturesAreNamedFirstThenCountedWithTheWholeListInTheDetails)
{
    // Nine missing pictures for frames 1 to 9, then frames 10 to 14 share a tenth; frame 15 is good.
    std::vector<std::string> lines { "15", "100" };
    std::vector<std::string> missing;
    for (int k = 1; k <= 10; ++k)
        missing.push_back((dir.path() / ("gone" + std::to_string(k) + ".bmp")).string());
    for (int k = 0; k < 9; ++k)
        lines.push_back(missing[static_cast<std::size_t>(k)]);
    lines.insert(lines.end(), 5, missing[9]);
    lines.push_back(red);
    writeAnimation("many.ani", lines);
    openFile(h, dir.str(), "many.ani");

    ASSERT_TRUE(reported(h.screen.errors, 1, { "pictures of 14 frames", "\nand 6 more frames." }));
    ASSERT_TRUE(reported(h.screen.details, 1, { "Frames 10-14: cannot read " + missing[9] }));
    const std::string& message = h.screen.errors[0];
    const std::string& details = h.screen.details[0];
    // The first eight files by name, then the frames of the other two counted.
    for (int k = 1; k <= 10; ++k) {
        const std::string line
            = "Frame " + std::to_string(k) + ": cannot read " + missing[static_cast<std::size_t>(k - 1)];
        EXPECT_EQ(message.find(line) != std::string::npos, k <= 8) << k << "\n" << message;
        if (k < 10) {
            EXPECT_NE(details.find(line), std::string::npos) << k << "\n" << details;
        }
    }
    EXPECT_EQ(details.find(red), std::string::npos) << details;
    expectUntouched(f);

    // One file past the eight: one frame more.
    Headless nine;
    std::vector<std::string> nineLines { "9", "100" };
    nineLines.insert(nineLines.end(), missing.begin(), missing.begin() + 9);
    writeAnimation("nine.ani", nineLines);
    openFile(nine, dir.str(), "nine.ani");
    EXPECT_TRUE(reported(nine.screen.errors, 1, { "\nand 1 more frame." }));

    // Up to eight files the message says it all and has no details.
    Headless few;
    writeAnimation("few.ani", { "2", "100", missing[0], missing[1] });
    openFile(few, dir.str(), "few.ani");
    ASSERT_EQ(few.screen.errors.size(), 1u);
    EXPECT_TRUE(few.screen.details.empty());
    EXPECT_EQ(few.screen.errors[0].find("more frames"), std::string::npos) << few.screen.errors[0];
}

TEST_F(OpenScreen, RebuildsTheFrameSetOfTheFile)
{
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
    expectUntouched(f);
    EXPECT_TRUE(d.isShown());
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    ASSERT_EQ(h.screen.progressTitles.size(), 1u);
    EXPECT_NE(h.screen.progressTitles[0].find("anim.ani"), std::string::npos) << h.screen.progressTitles[0];
    // Cancelled before the first picture: none was read.
    EXPECT_EQ(h.screen.progressShown[0], std::make_pair(0, 3));

    h.screen.cancelWork = false;
    d.Command1.click();
    EXPECT_EQ(f.Image1.count(), 3);
    EXPECT_FALSE(d.isShown());
    // The progress counts frames, a picture shown by two frames twice.
    EXPECT_EQ(h.screen.progressShown[1], std::make_pair(3, 3));
}

TEST_F(OpenScreen, CountsAndRates)
{
    // The longest interval the playback timer takes.
    Headless slowest;
    EXPECT_EQ(openLines(slowest, { "1", "65535", green }).Timer1.interval(), 65535);

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

    // The most frames an animation can have: indexes run to 32,767.
    Headless most;
    EXPECT_EQ(openLines(most, { "32768", "1" }).Command1.count(), 32768);

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

    // An empty rate opens as a rate not given yet: frames, count and pictures open, the rate
    // box is empty and playback does nothing until a rate is typed and "Settings finished" pressed.
    Headless noRate;
    movelle::Form1& unrated = openLines(noRate, { "2", "", red, green });
    EXPECT_EQ(unrated.Text1.text(), "2");
    EXPECT_EQ(unrated.Text2.text(), "");
    ASSERT_EQ(unrated.Image1.count(), 2);
    EXPECT_EQ(unrated.Image1(1).picture().width(), 5);
    EXPECT_EQ(unrated.Timer1.interval(), 0);
    unrated.Command5.click();
    noRate.clock.advance(1000);
    EXPECT_EQ(unrated.l.caption(), "0");
    unrated.Text2.setText("10");
    unrated.Command4.click();
    noRate.clock.advance(10);
    EXPECT_EQ(unrated.l.caption(), "1");
    Headless blankRate;
    EXPECT_EQ(openLines(blankRate, { "1", " \t", red }).Text2.text(), "");
}

// A bad file or bad pictures change nothing and are named in one message. A value or path from
// the file is quoted short and with its control bytes escaped, and a line longer than any line of
// an animation is refused by its number, so that the message stays readable.
TEST_F(OpenScreen, BadFilesChangeNothingAndAreNamedInOneMessage)
{
    const std::string missing = (dir.path() / "gone.bmp").string();
    const std::string corrupt = dir.writeFile("corrupt.bmp", "BM this is not really a bitmap");
    const std::string longPath = "/" + std::string(5000, 'p') + "\a/gone.bmp";
    const struct {
        std::string bytes;
        std::vector<std::string> says;
        std::string never = "\x01";
        std::size_t room = 200;   // beyond the file's name
    } cases[] = {
        { aniBytes({ "4", "100", red, missing, corrupt, missing }),
          { "Frames 2 and 4: cannot read " + missing, "Frame 3: cannot read " + corrupt }, "\x01", 5000 },
        { aniBytes({ "abc", "100" }), { "frame count \"abc\"" } },
        { aniBytes({ "5x", "100" }), { "frame count \"5x\"" } },
        { aniBytes({ "32769", "100" }), { "frame count 32769 is larger than 32768" } },
        { aniBytes({ "1", "65536" }), { "rate 65536 is out of range" } },
        { aniBytes({ "1", "65535.5" }), { "rate 65535.5 is out of range" } },
        { aniBytes({ "1", "fast" }), { "rate \"fast\"" } },
        { aniBytes({ "1", "70000" }), { "rate 70000" } },
        { aniBytes({ "1", "-1" }), { "rate -1" } },
        { aniBytes({ "1", "1e300" }), { "rate 1E+300" } },
        { aniBytes({ "1" }), { "ends before the rate line" } },
        { aniBytes({ "1", std::string(61, 'f') }), { "rate \"" + std::string(26, 'f') + "\xE2\x80\xA6" } },
        { aniBytes({ std::string(100000, 'a'), "100" }), { "line 1 is longer than" } },
        { aniBytes({ "1", "100", std::string(10000, 'p') }), { "line 3 is longer than" } },
        { std::string("1\0\r\n100\r\n", 9), { "not a text file (line 1 holds a NUL byte)" } },
        { std::string("\xFF\xFE" "1\0\r\0\n\0", 8), { "not a text file (it is UTF-16 text)" } },
        { "1\r\n" + std::string(100'000, '7') + "\r\n", { "line 2 is longer than 8192 bytes" } },
        { "1\r\n" + std::string(8000, 'x') + "\x01\r\n",
          { "the rate \"xxxxxxxxxxxxxxxxxxxxxxxxxx\xE2\x80\xA6xxxxxxxxxxxx\\x01\" is not a number" } },
        { "\x1B[2J5\r\n100\r\n", { "the frame count \"\\x1B[2J5\" is not a number" } },
        { aniBytes({ "1", "100", longPath }),
          { "Frame 1: cannot read /ppp", "p\xE2\x80\xA6p", "\\x07/gone.bmp" }, std::string(200, 'p'), 400 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says.front().substr(0, 60));
        Headless other;
        dir.writeFile("bad.ani", c.bytes);
        movelle::Form4& d = openFile(other, dir.str(), "bad.ani");
        ASSERT_TRUE(reported(other.screen.errors, 1, c.says));
        const std::string& message = other.screen.errors[0];
        EXPECT_TRUE(mentions(message, { dir.str() + "/bad.ani" }));
        EXPECT_EQ(message.find(c.never), std::string::npos) << message;
        EXPECT_LT(message.size(), dir.str().size() + c.room) << message;
        expectUntouched(other.app.Form1());
        EXPECT_TRUE(d.isShown());
    }
    openFile(h, dir.str(), "no-such-file.ani");
    EXPECT_TRUE(reported(h.screen.errors, 1, { "no-such-file.ani" }));
}

// An open does not stop a running playback, whether it played a built animation or nothing yet:
// the timer stays enabled and takes the file's rate, which starts its count afresh.
TEST_F(OpenScreen, AnOpenDuringPlaybackGoesOnPlayingAtTheFilesRate)
{
    writeAnimation("anim.ani", { "3", "50", red, green, red });
    for (const bool built : { false, true }) {
        SCOPED_TRACE(built ? "one frame at 100 ms playing" : "played from the toolbar with nothing built");
        Headless p;
        movelle::Form1& f = p.app.Form1();
        if (built) {
            settingsFinished(f, "1", "100");
            f.Command5.click();
            ASSERT_TRUE(f.Timer1.enabled());
        } else {
            f.Command9.click();   // no rate yet, so nothing ticks
        }
        p.clock.advance(130);
        ASSERT_EQ(f.l.caption(), "0");   // one frame: the tick wraps round to it
        openFile(p, dir.str(), "anim.ani");
        ASSERT_TRUE(p.screen.errors.empty()) << p.screen.errors.front();
        EXPECT_TRUE(f.Timer1.enabled());
        EXPECT_EQ(f.Timer1.interval(), 50);

        // The first tick comes one new interval after the open, not on the old schedule, then every 50 ms.
        p.clock.advance(49);
        EXPECT_EQ(f.l.caption(), "0");
        const std::vector<std::string> next { "1", "2", "0", "1" };
        for (std::size_t k = 0; k < next.size(); ++k) {
            p.clock.advance(k == 0 ? 1 : 50);
            EXPECT_EQ(f.l.caption(), next[k]) << k;
            const int shown = static_cast<int>(k % 3);
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(f.Image1(i).visible(), i == shown) << k << " " << i;
        }
    }
}

TEST_F(OpenScreen, OpeningOverABuiltFrameSetIsRefused)
{
    f.Text1.setText("3");
    f.Command4.click();
    writeAnimation("anim.ani", { "1", "100", red });
    movelle::Form4& d = openFile(h, dir.str(), "anim.ani");
    // The menu's words as the menu shows them.
    ASSERT_TRUE(reported(h.screen.errors, 1, { "\"New\" in the Files menu" }));
    EXPECT_EQ(h.screen.errors[0].find('&'), std::string::npos) << h.screen.errors[0];
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
    const std::string cafe = writePicture(dir, "moved/caf\xC3\xA9.bmp", 3, 3, 0x808080);
    writeAnimation("moved/anim.ani", { "3", "10", "/home/someone/old/red.bmp", "C:\\PICS\\green.bmp",
                                       (moved / "caf\xE9.bmp").string() });

    openFile(h, moved.string(), "anim.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), (moved / "red.bmp").string());
    EXPECT_EQ(f.x(1).caption(), (moved / "green.bmp").string());
    EXPECT_EQ(f.x(2).caption(), cafe);
    EXPECT_EQ(f.Image1(1).picture().width(), 5);
    EXPECT_EQ(f.Image1(2).picture().width(), 3);
}

TEST_F(OpenScreen, CommasAndQuotesSurviveTheRoundTripThroughBothDialogs)
{
    const std::string comma = writePicture(dir, "a,b.bmp", 9, 9, 0x123456);
    const std::string quote = writePicture(dir, "\"q\".bmp", 8, 8, 0x654321);
    settingsFinished(f, "3", "75");
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

// The drive list moves the directory list, which moves the file list; a file picked there opens.
TEST_F(OpenScreen, ChangingTheDriveMovesTheDirectoryAndFileLists)
{
    writeAnimation("walk.ani", { "1", "10", green });
    dir.writeFile("notes.txt", "");
    std::filesystem::create_directory(dir.path() / "sub");
    f.Command13.click();
    movelle::Form4& d = h.app.Form4();
    d.Dir1.open((dir.path() / "sub").string());
    ASSERT_TRUE(d.File1.files().empty());

    // A volume mounted at the temporary directory, as the drive list would offer it.
    d.Drive1.choose(dir.str());
    EXPECT_EQ(d.Dir1.path(), dir.str());
    EXPECT_EQ(d.File1.path(), dir.str());
    EXPECT_EQ(d.File1.files(), std::vector<std::string> { "walk.ani" });

    d.File1.select("walk.ani");
    d.Command1.click();
    EXPECT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), green);
}

// A picture whose name is not UTF-8 (Latin-1 "é") is saved byte for byte and opens again.
TEST_F(OpenScreen, APictureNamedInLatin1SurvivesSaveAndOpen)
{
    const std::string latin1 = (dir.path() / "caf\xE9.bmp").string();
    std::filesystem::rename(writePicture(dir, "cafe.bmp", 7, 7, 0x336699), latin1);
    settingsFinished(f, "1", "100");
    f.Command3.click();
    movelle::Form2& load = h.app.Form2();
    load.Dir1.open(dir.str());
    load.File1.select("caf\xE9.bmp");
    load.Command1.click();
    ASSERT_EQ(f.x(0).caption(), latin1);
    ASSERT_EQ(f.Image1(0).picture().width(), 7);

    f.Command12.click();
    h.app.Form3().Dir1.open(dir.str());
    h.app.Form3().Text1.setText("latin");
    h.app.Form3().Command1.click();
    f.fn.click();
    openFile(h, dir.str(), "latin.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), latin1);
    EXPECT_EQ(f.Image1(0).picture().width(), 7);

    // Moved together with its picture, the animation still finds it by its bytes.
    const std::filesystem::path moved = dir.path() / "moved";
    std::filesystem::create_directory(moved);
    std::filesystem::rename(latin1, moved / "caf\xE9.bmp");
    std::filesystem::rename(dir.path() / "latin.ani", moved / "latin.ani");
    f.fn.click();
    openFile(h, moved.string(), "latin.ani");
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.x(0).caption(), (moved / "caf\xE9.bmp").string());
    EXPECT_EQ(f.Image1(0).picture().width(), 7);
}

}

// Memory that runs out is said once, for the animation, with what its pictures need, and the
// frames are listed in the details only.
TEST_F(OpenScreen, MemoryThatRunsOutIsSaidOnceForTheAnimation)
{
    // The real decoder, except that pictures named "huge..." find no memory for 4000 x 3000.
    struct Starved final : forms::PictureDecoder {
        forms::qt::QtPictureDecoder real;
        forms::Picture decode(const std::string& path) override
        {
            if (path.find("huge") == std::string::npos)
                return real.decode(path);
            throw forms::Error::outOfMemory("cannot read " + path + ": not enough memory for a 4000 x 3000 picture",
                                            std::int64_t(4000) * 3000 * 4);
        }
    };
    testing_support::RecordingWindowSystem screen;
    forms::ManualClock clock;
    Starved decoder;
    movelle::Movelle app { screen, clock, decoder };
    std::vector<std::string> lines { "12", "100", red };
    for (int k = 1; k <= 11; ++k)
        lines.push_back((dir.path() / ("huge" + std::to_string(k) + ".jpg")).string());
    const std::string huge = writeAnimation("huge.ani", lines);
    app.dispatch([&] { app.Form4().openAnimation(huge); });

    // Eleven pictures of 45.8 MiB and one of 48 bytes.
    ASSERT_TRUE(reported(screen.errors, 1,
        { "does not fit the memory available", "need about 504 MB", "11 frames' pictures could not be decoded" }));
    EXPECT_EQ(screen.errors[0].find("Frame 2"), std::string::npos) << screen.errors[0];
    EXPECT_TRUE(reported(screen.details, 1, { "Frame 12: cannot read " + lines.back() }));
    expectUntouched(app.Form1());

    // One picture that is merely unreadable among them: each is named as before.
    lines.push_back((dir.path() / "gone.bmp").string());
    lines[0] = "13";
    testing_support::RecordingWindowSystem mixedScreen;
    movelle::Movelle mixed { mixedScreen, clock, decoder };
    const std::string both = writeAnimation("mixed.ani", lines);
    mixed.dispatch([&] { mixed.Form4().openAnimation(both); });
    EXPECT_TRUE(reported(mixedScreen.errors, 1, { "pictures of 12 frames" }));
}
