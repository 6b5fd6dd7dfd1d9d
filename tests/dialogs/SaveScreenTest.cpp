// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form3.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using testing_support::Headless;
using testing_support::TempDir;

std::string bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

class SaveScreen : public ::testing::Test {
protected:
    // The main window with the frame set "Settings finished" builds for the count and rate.
    movelle::Form1& build(const std::string& count, const std::string& rate)
    {
        movelle::Form1& f = h.app.Form1();
        f.show();
        f.Text1.setText(count);
        f.Text2.setText(rate);
        f.Command4.click();
        return f;
    }

    // Opens the dialog from the toolbar, points it at `directory`, types `name` and presses OK.
    movelle::Form3& save(const std::string& directory, const std::string& name)
    {
        h.app.Form1().Command12.click();
        movelle::Form3& d = h.app.Form3();
        d.Dir1.open(directory);
        d.Text1.setText(name);
        d.Command1.click();
        return d;
    }

    Headless h;
    TempDir dir;
};

TEST_F(SaveScreen, DesignTimeDialog)
{
    movelle::Form3& d = h.app.Form3();
    EXPECT_EQ(d.caption(), "Save Screen");
    EXPECT_FLOAT_EQ(d.clientWidth(), 5520);
    EXPECT_FLOAT_EQ(d.clientHeight(), 3960);
    EXPECT_EQ(d.iconName(), ":/icons/save.svg");
    EXPECT_FALSE(d.isShown());
    // Creating the dialog makes the root the current directory.
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));

    EXPECT_EQ(d.Label2.caption(),
              "Important Remark : Write the file without any extensions, and the extension will be added "
              "automatically.");
    EXPECT_TRUE(d.Label2.wordWrap());
    EXPECT_TRUE(d.Label1.autoSize());
    EXPECT_EQ(d.Label1.caption(), "File");
    EXPECT_EQ(d.Command1.caption(), "OK");
    EXPECT_EQ(d.Command2.caption(), "Cancel");
    EXPECT_EQ(d.Text1.text(), "*.ani");
    EXPECT_FLOAT_EQ(d.Dir1.left(), 1800);
    EXPECT_FLOAT_EQ(d.Dir1.height(), 1440);
    EXPECT_FLOAT_EQ(d.File1.top(), 2280);
    EXPECT_EQ(d.File1.pattern(), "*.ani");
    EXPECT_FALSE(d.File1.enabled());
    ASSERT_FALSE(d.tabOrder().empty());
    EXPECT_EQ(d.tabOrder().front(), &d.Command2);
    EXPECT_EQ(d.tabOrder().size(), 8u);

    // The file list follows the directory list and shows only the animations there.
    dir.writeFile("one.ani", "1\r\n1\r\n\r\n");
    dir.writeFile("notes.txt", "");
    d.Dir1.open(dir.str());
    EXPECT_EQ(d.File1.path(), dir.str());
    EXPECT_EQ(d.File1.files(), std::vector<std::string> { "one.ani" });
    // The list is disabled: clicking it picks nothing.
    d.File1.select("one.ani");
    EXPECT_EQ(d.Text1.text(), "*.ani");
}

TEST_F(SaveScreen, WritesCountRateAndOneLinePerFrame)
{
    movelle::Form1& f = build("3", "100");
    f.x(0).setCaption("/pictures/a.bmp");
    f.x(2).setCaption("/pictures/c d.gif");
    f.Timer1.setEnabled(true);

    movelle::Form3& d = save(dir.str(), "anim");
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_EQ(bytesOf(dir.path() / "anim.ani"), "3\r\n100\r\n/pictures/a.bmp\r\n\r\n/pictures/c d.gif\r\n");
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");
    // The name stays for the next showing; the animation and playback are untouched.
    EXPECT_EQ(d.Text1.text(), "anim");
    EXPECT_TRUE(f.Timer1.enabled());
    EXPECT_EQ(f.Image1.count(), 3);

    // A name that has the extension already gets it once more, as the remark warns, and an
    // existing file is replaced without a question.
    f.Text1.setText("2");
    save(dir.str(), "anim.ani");
    EXPECT_EQ(bytesOf(dir.path() / "anim.ani.ani"), "2\r\n100\r\n/pictures/a.bmp\r\n\r\n");
    save(dir.str(), "anim");
    EXPECT_EQ(bytesOf(dir.path() / "anim.ani"), "2\r\n100\r\n/pictures/a.bmp\r\n\r\n");

    // An empty name saves to ".ani".
    save(dir.str(), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / ".ani"));
}

TEST_F(SaveScreen, EmptyAndFractionalCounts)
{
    movelle::Form1& f = h.app.Form1();
    f.Text2.setText("100");
    save(dir.str(), "empty");
    EXPECT_EQ(bytesOf(dir.path() / "empty.ani"), "\r\n100\r\n");

    build("2.5", "40");
    f.x(1).setCaption("/b.bmp");
    save(dir.str(), "half");
    EXPECT_EQ(bytesOf(dir.path() / "half.ani"), "2.5\r\n40\r\n\r\n/b.bmp\r\n");
}

TEST_F(SaveScreen, OneSeparatorBetweenDirectoryAndName)
{
    build("1", "10");
    std::filesystem::create_directory(dir.path() / "pics");
    save((dir.path() / "pics").string(), "anim");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "pics" / "anim.ani"));

    // At the root the name follows the separator the root already ends with. The missing
    // directory keeps the test from writing into the real root; the message shows the name.
    const std::string missing = "movelle-no-such-directory-" + dir.path().filename().string();
    movelle::Form3& d = save("/", missing + "/anim");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find(" /" + missing + "/anim.ani:"), std::string::npos) << h.screen.errors[0];
    EXPECT_TRUE(d.isShown());
}

TEST_F(SaveScreen, TheInitialWildcardNameIsRefused)
{
    build("1", "10");
    h.app.Form1().Command12.click();
    movelle::Form3& d = h.app.Form3();
    d.Dir1.open(dir.str());
    d.Command1.click();
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("*"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_TRUE(d.isShown());
}

TEST_F(SaveScreen, AMissingFrameLabelWritesNothingAndKeepsTheOldFile)
{
    const std::string old = dir.writeFile("anim.ani", "1\r\n50\r\n/old.bmp\r\n");
    movelle::Form1& f = build("3", "100");
    // The count is edited after building: it asks for frames that do not exist.
    f.Text1.setText("5");

    movelle::Form3& d = save(dir.str(), "anim");
    ASSERT_EQ(h.screen.errors.size(), 1u);
    const std::string& message = h.screen.errors[0];
    EXPECT_EQ(message.rfind("There is no frame 4.", 0), 0u) << message;
    EXPECT_NE(message.find(dir.str() + "/anim.ani"), std::string::npos) << message;
    EXPECT_EQ(bytesOf(old), "1\r\n50\r\n/old.bmp\r\n");
    // Nothing but the old file is in the directory: no temporary file was left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    EXPECT_TRUE(d.isShown());
}

TEST_F(SaveScreen, CancelWritesNothingAndKeepsTheName)
{
    build("1", "10");
    h.app.Form1().Command12.click();
    movelle::Form3& d = h.app.Form3();
    d.Dir1.open(dir.str());
    d.Text1.setText("later");
    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    h.app.Form1().fs.click();
    EXPECT_TRUE(d.isShown());
    EXPECT_EQ(d.Text1.text(), "later");
    EXPECT_EQ(d.Dir1.path(), dir.str());
}

}
