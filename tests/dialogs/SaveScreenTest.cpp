// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form3.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace {

using testing_support::Headless;
using testing_support::reported;
using testing_support::settingsFinished;
using testing_support::readBytes;
using testing_support::TempDir;

class SaveScreen : public testing_support::HeadlessTest {
protected:
    // Opens the dialog from the toolbar, points it at `directory`, types `name` and presses OK.
    movelle::Form3& save(const std::string& directory, const std::string& name)
    {
        f.Command12.click();
        movelle::Form3& d = h.app.Form3();
        d.Dir1.open(directory);
        d.Text1.setText(name);
        d.Command1.click();
        return d;
    }

    TempDir dir;
};

TEST_F(SaveScreen, DialogListsAndCancel)
{
    movelle::Form3& d = h.app.Form3();
    // Creating the dialog makes the root the current directory.
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));
    ASSERT_EQ(d.tabOrder().size(), 8u);
    EXPECT_EQ(d.tabOrder().front(), &d.Command2);

    // The file list follows the directory list, shows only animations, and picks nothing.
    dir.writeFile("one.ani", "1\r\n1\r\n\r\n");
    dir.writeFile("notes.txt", "");
    d.Dir1.open(dir.str());
    EXPECT_EQ(d.File1.files(), std::vector<std::string> { "one.ani" });
    d.File1.select("one.ani");
    EXPECT_EQ(d.Text1.text(), "*.ani");

    // Cancel writes nothing and keeps the name and directory for the next showing.
    d.Text1.setText("later");
    f.fs.click();
    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");
    EXPECT_EQ(readBytes(dir.path() / "later.ani"), "");
    f.fsa.click();
    EXPECT_EQ(d.Text1.text(), "later");
    EXPECT_EQ(d.Dir1.path(), dir.str());
}

TEST_F(SaveScreen, FilesAreWrittenByteForByte)
{
    f.Text2.setText("100");
    save(dir.str(), "empty");
    EXPECT_EQ(readBytes(dir.path() / "empty.ani"), "\r\n100\r\n");
    // Nothing typed at all: the empty count line and the empty rate line.
    f.Text2.setText("");
    save(dir.str(), "nothing");
    EXPECT_EQ(readBytes(dir.path() / "nothing.ani"), "\r\n\r\n");
    f.Text2.setText("100");

    settingsFinished(f, "3", "100");
    f.x(0).setCaption("/pictures/a.bmp");
    f.x(2).setCaption("/pictures/c d.gif");
    movelle::Form3& d = save(dir.str(), "anim");
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_EQ(readBytes(dir.path() / "anim.ani"), "3\r\n100\r\n/pictures/a.bmp\r\n\r\n/pictures/c d.gif\r\n");
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");

    // The extension is added even when typed, as the remark warns; an existing file is replaced.
    f.Text1.setText("2.5");
    save(dir.str(), "anim.ani");
    EXPECT_EQ(readBytes(dir.path() / "anim.ani.ani"), "2.5\r\n100\r\n/pictures/a.bmp\r\n\r\n");
    save(dir.str(), "anim");
    EXPECT_EQ(readBytes(dir.path() / "anim.ani"), "2.5\r\n100\r\n/pictures/a.bmp\r\n\r\n");
    save(dir.str(), "");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / ".ani"));
    std::filesystem::create_directory(dir.path() / "pics");
    save((dir.path() / "pics").string(), "anim");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "pics" / "anim.ani"));

    // At the root the name follows the root's own separator. The missing directory keeps the
    // test out of the real root; the message shows the name that was built.
    const std::string missing = "movelle-no-such-directory-" + dir.path().filename().string();
    save("/", missing + "/anim");
    EXPECT_TRUE(reported(h.screen.errors, 1, { " /" + missing + "/anim.ani:" }));
}

TEST_F(SaveScreen, AFailedSaveWritesNothingAndKeepsTheOldFile)
{
    const std::string old = dir.writeFile("anim.ani", "1\r\n50\r\n/old.bmp\r\n");
    settingsFinished(f, "3", "100");

    // The dialog's initial name is a pattern, not a file name.
    f.Command12.click();
    h.app.Form3().Dir1.open(dir.str());
    h.app.Form3().Command1.click();
    ASSERT_TRUE(reported(h.screen.errors, 1, { "*" }));

    // A count edited after building asks for frames that do not exist.
    f.Text1.setText("5");
    movelle::Form3& d = save(dir.str(), "anim");
    ASSERT_TRUE(reported(h.screen.errors, 2, { dir.str() + "/anim.ani" }));
    EXPECT_EQ(h.screen.errors[1].rfind("There is no frame 4.", 0), 0u) << h.screen.errors[1];
    EXPECT_EQ(readBytes(old), "1\r\n50\r\n/old.bmp\r\n");
    // No temporary file was left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    EXPECT_TRUE(d.isShown());
}

// Whatever Save writes, Open opens: a count or rate that Open would refuse writes nothing, keeps
// the old file as it was, and the message names the field and its text.
TEST_F(SaveScreen, ValuesOpenWouldRefuseAreNotSaved)
{
    const std::string old = dir.writeFile("anim.ani", "1\r\n50\r\n/old.bmp\r\n");
    settingsFinished(f, "1", "100");
    const struct {
        const char* count;
        const char* rate;
        const char* names;
    } cases[] = {
        { "5x", "100", "the frame count \"5x\" is not a number" },
        { "abc", "100", "the frame count \"abc\" is not a number" },
        { "32769", "100", "the frame count 32769 is larger than 32768" },
        { "1", "100ms", "the rate \"100ms\" is not a number" },
        { "1", "65536", "the rate 65536 is out of range" },
        { "1", "65535.5", "the rate 65535.5 is out of range" },
        { "1", "-0.6", "the rate -0.6 is out of range" },
    };
    std::size_t errors = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.count) + " / " + c.rate);
        f.Text1.setText(c.count);
        f.Text2.setText(c.rate);
        movelle::Form3& d = save(dir.str(), "anim");
        ASSERT_TRUE(reported(h.screen.errors, ++errors, { c.names, old + " was not saved" }));
        EXPECT_EQ(readBytes(old), "1\r\n50\r\n/old.bmp\r\n");
        EXPECT_TRUE(d.isShown());
    }

    // Both sides of each boundary: what is just inside is saved.
    // An empty rate is a rate not given yet: saved as it stands, as Open takes it.
    for (const char* rate : { "65535", "65535.49", "0", "-0.5", " 100 ", "", " \t" }) {
        SCOPED_TRACE(rate);
        f.Text1.setText("1");
        f.Text2.setText(rate);
        save(dir.str(), "anim");
        EXPECT_EQ(h.screen.errors.size(), errors);
        EXPECT_EQ(readBytes(old), std::string("1\r\n") + rate + "\r\n\r\n");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

// The drive list moves the directory list, which moves the file list.
TEST_F(SaveScreen, ChangingTheDriveMovesTheDirectoryAndFileLists)
{
    dir.writeFile("one.ani", "1\r\n1\r\n\r\n");
    dir.writeFile("two.ani", "1\r\n1\r\n\r\n");
    dir.writeFile("picture.bmp", "");
    std::filesystem::create_directory(dir.path() / "sub");
    f.Command12.click();
    movelle::Form3& d = h.app.Form3();
    d.Dir1.open((dir.path() / "sub").string());
    ASSERT_TRUE(d.File1.files().empty());

    // A volume mounted at the temporary directory, as the drive list would offer it.
    d.Drive1.choose(dir.str());
    EXPECT_EQ(d.Dir1.path(), dir.str());
    EXPECT_EQ(d.File1.path(), dir.str());
    EXPECT_EQ(d.File1.files(), (std::vector<std::string> { "one.ani", "two.ani" }));

    // And a save goes there.
    settingsFinished(f, "1", "100");
    d.Text1.setText("three");
    d.Command1.click();
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_EQ(readBytes(dir.path() / "three.ani"), "1\r\n100\r\n\r\n");
}

}
