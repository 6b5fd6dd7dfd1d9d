// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "forms/FileSystem.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using testing_support::Headless;
using testing_support::TempDir;

class LoadFrame : public ::testing::Test {
protected:
    // A built frame set of `count` frames with the dialog open, its lists still where they
    // started.
    movelle::Form2& open(const std::string& count = "3")
    {
        movelle::Form1& f = main();
        f.Text1.setText(count);
        f.Text2.setText("100");
        f.Command4.click();
        f.Command3.click();   // "Load Pic."
        return h.app.Form2();
    }

    movelle::Form1& main() { return h.app.Form1(); }

    // The user opens `path` in the directory list.
    void browse(movelle::Form2& d, const std::string& path) { d.Dir1.open(path); }

    bool hasFile(const movelle::Form2& d, const std::string& name)
    {
        const auto& files = d.File1.files();
        return std::find(files.begin(), files.end(), name) != files.end();
    }

    Headless h;
    TempDir tmp;
};

TEST_F(LoadFrame, CreationBuildsTheDesignStateAndRunsTheLoadStepOnce)
{
    tmp.writePicture("a.bmp", 4, 4, 0xff0000);
    tmp.writeFile("b.gif", "GIF89a");   // only listed, never decoded
    tmp.writePicture("c.png", 4, 4, 0x0000ff);
    std::filesystem::current_path(tmp.path());

    movelle::Form2& d = h.app.Form2();
    EXPECT_EQ(d.caption(), "Load Frame");
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.app.fileSystem().currentDirectory(), "/");
    EXPECT_EQ(d.Combo1.text(), "*.bmp");
    const std::vector<std::string> patterns { "*.bmp", "*.gif", "*.ico", "*.cur", "*.wmf", "*.emf", "*.jpg", "*.*" };
    EXPECT_EQ(d.Combo1.items(), patterns);
    EXPECT_EQ(d.Label3.caption(), "0");
    EXPECT_FALSE(d.Label3.visible());
    EXPECT_EQ(d.Label2.caption(), "");
    EXPECT_EQ(d.Label1.caption(), "Pattern :");
    EXPECT_EQ(d.Command1.caption(), "OK");
    EXPECT_EQ(d.Command2.caption(), "Cancel");
    EXPECT_EQ(d.Command3.caption(), "Default");
    EXPECT_TRUE(d.Image1.picture().isNull());
    EXPECT_EQ(d.Image1.borderStyle(), 0);
    EXPECT_FLOAT_EQ(d.File1.left(), 120);
    EXPECT_FLOAT_EQ(d.File1.height(), 1455);
    EXPECT_FLOAT_EQ(d.Dir1.width(), 2535);
    const std::vector<forms::Control*> order { &d.File1, &d.Drive1,   &d.Dir1,   &d.Label2, &d.Command1,
                                               &d.Command2, &d.Label3, &d.Combo1, &d.Label1, &d.Command3 };
    EXPECT_EQ(d.tabOrder(), order);

    // Until the pattern box is edited, every picture kind of the design pattern shows.
    browse(d, tmp.str());
    EXPECT_TRUE(hasFile(d, "a.bmp"));
    EXPECT_TRUE(hasFile(d, "b.gif"));
    EXPECT_FALSE(hasFile(d, "c.png"));

    // Showing again does not run the load step again.
    d.show();
    d.Command2.click();
    d.show();
    EXPECT_EQ(d.Combo1.items().size(), 8u);

    // Closing through the frame destroys it; the next reference builds it afresh.
    d.frameClosed();
    EXPECT_EQ(h.app.existing("Form2"), nullptr);
    movelle::Form2& again = h.app.Form2();
    EXPECT_EQ(again.Combo1.items().size(), 8u);
    EXPECT_EQ(again.Label3.caption(), "0");
}

TEST_F(LoadFrame, PreviewAndOkStoreTheFullPathInEitherFlagState)
{
    const std::string a = tmp.writePicture("a.bmp", 41, 42, 0xff0000);
    tmp.writePicture("b.bmp", 10, 10, 0x00ff00);
    movelle::Form2& d = open();
    main().Command1(2).click();
    EXPECT_EQ(d.Label2.caption(), "2");

    browse(d, tmp.str());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_EQ(d.File1.path(), tmp.str());
    d.File1.select("a.bmp");
    ASSERT_FALSE(d.Image1.picture().isNull());
    EXPECT_EQ(d.Image1.picture().width(), 41);
    d.Command1.click();
    EXPECT_EQ(main().x(2).caption(), a);
    EXPECT_TRUE(main().Image1(2).picture() == d.Image1.picture());
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");

    // "Default" puts the flag back to "0" while the list stays in the directory: the preview
    // must still find the file there, and the stored path must keep its separator.
    main().Command1(1).click();
    d.show();
    d.Command3.click();
    EXPECT_EQ(d.Label3.caption(), "0");
    d.File1.select("b.bmp");
    ASSERT_EQ(d.Image1.picture().width(), 10);
    d.Command1.click();
    EXPECT_EQ(main().x(1).caption(), tmp.str() + "/b.bmp");
    EXPECT_EQ(main().Image1(1).picture().width(), 10);
    EXPECT_TRUE(h.screen.errors.empty());
}

TEST_F(LoadFrame, AtTheRootNoSecondSeparatorIsAdded)
{
    movelle::Form2& d = open();
    browse(d, "/");
    EXPECT_EQ(d.File1.path(), "/");
    d.File1.select("a.bmp");
    d.Command1.click();
    EXPECT_EQ(main().x(0).caption(), "/a.bmp");

    d.show();
    d.Command3.click();
    EXPECT_EQ(main().x(0).caption(), "/a.bmp");
    d.File1.select("b.bmp");
    d.Command1.click();
    EXPECT_EQ(main().x(0).caption(), "/b.bmp");
}

TEST_F(LoadFrame, DefaultRecordsThePathWithoutLoadingAndStaysOpen)
{
    tmp.writePicture("a.bmp", 8, 8, 0xff0000);
    tmp.writePicture("b.bmp", 9, 9, 0x0000ff);
    movelle::Form2& d = open();
    browse(d, tmp.str());
    d.File1.select("a.bmp");
    d.Command1.click();
    const forms::Picture framePicture = main().Image1(0).picture();

    d.show();
    d.File1.select("b.bmp");
    d.Command3.click();
    EXPECT_EQ(main().x(0).caption(), tmp.str() + "/b.bmp");
    EXPECT_TRUE(main().Image1(0).picture() == framePicture);
    EXPECT_EQ(d.Label3.caption(), "0");
    EXPECT_TRUE(d.isShown());
}

TEST_F(LoadFrame, ANonPictureKeepsThePreviewSilentlyAndOkHandsOverThePreviousOne)
{
    tmp.writePicture("good.bmp", 12, 7, 0xff0000);
    tmp.writeFile("bad.bmp", "this is not a bitmap");
    movelle::Form2& d = open();
    browse(d, tmp.str());
    d.File1.select("good.bmp");
    const forms::Picture good = d.Image1.picture();
    ASSERT_FALSE(good.isNull());

    d.File1.select("bad.bmp");
    EXPECT_TRUE(d.Image1.picture() == good);
    d.File1.select("gone.bmp");   // deleted since the list was read
    EXPECT_TRUE(d.Image1.picture() == good);
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_TRUE(h.screen.messages.empty());

    d.File1.select("bad.bmp");
    d.Command1.click();
    EXPECT_TRUE(main().Image1(0).picture() == good);
    EXPECT_EQ(main().x(0).caption(), tmp.str() + "/bad.bmp");
}

TEST_F(LoadFrame, OkWithNothingPreviewedGivesTheFrameAnEmptyPicture)
{
    tmp.writePicture("a.bmp", 8, 8, 0xff0000);
    movelle::Form2& d = open();
    // The frame holds a picture from an earlier load; a fresh dialog has no preview.
    browse(d, tmp.str());
    d.File1.select("a.bmp");
    d.Command1.click();
    ASSERT_FALSE(main().Image1(0).picture().isNull());
    d.frameClosed();

    movelle::Form2& fresh = h.app.Form2();
    fresh.show();
    browse(fresh, tmp.str());
    fresh.Command1.click();
    EXPECT_TRUE(main().Image1(0).picture().isNull());
    EXPECT_EQ(main().x(0).caption(), tmp.str() + "/");
    EXPECT_TRUE(h.screen.errors.empty());
}

TEST_F(LoadFrame, CancelChangesNothingAndTheDialogKeepsItsState)
{
    tmp.writePicture("a.bmp", 8, 8, 0xff0000);
    movelle::Form2& d = open();
    main().x(1).setCaption("/earlier/pic.bmp");
    main().Command1(1).click();
    browse(d, tmp.str());
    d.Combo1.edit("*.bmp");
    d.File1.select("a.bmp");
    const forms::Picture preview = d.Image1.picture();

    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");
    EXPECT_EQ(main().x(1).caption(), "/earlier/pic.bmp");
    EXPECT_TRUE(main().Image1(1).picture().isNull());

    main().Command3.click();
    EXPECT_EQ(d.File1.path(), tmp.str());
    EXPECT_EQ(d.File1.fileName(), "a.bmp");
    EXPECT_EQ(d.File1.pattern(), "*.bmp");
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_TRUE(d.Image1.picture() == preview);
}

TEST_F(LoadFrame, EditingThePatternFiltersWhilePickingFromTheListDoesNot)
{
    tmp.writePicture("a.bmp", 4, 4, 0xff0000);
    tmp.writeFile("b.gif", "GIF89a");   // only listed, never decoded
    movelle::Form2& d = open();
    browse(d, tmp.str());

    d.Combo1.edit("*.gif");
    EXPECT_EQ(d.File1.pattern(), "*.gif");
    EXPECT_FALSE(hasFile(d, "a.bmp"));
    EXPECT_TRUE(hasFile(d, "b.gif"));

    d.Combo1.choose(7);   // "*.*"
    EXPECT_EQ(d.Combo1.text(), "*.*");
    EXPECT_EQ(d.File1.pattern(), "*.gif");
    EXPECT_FALSE(hasFile(d, "a.bmp"));
}

TEST_F(LoadFrame, ChangingDriveOrDirectoryMovesTheFileListAndSetsTheFlag)
{
    tmp.writePicture("a.bmp", 4, 4, 0xff0000);
    std::filesystem::create_directory(tmp.path() / "sub");
    movelle::Form2& d = open();

    // A volume mounted at the temporary directory, as the drive list would offer it.
    d.Drive1.choose(tmp.str());
    EXPECT_EQ(d.Dir1.path(), tmp.str());
    EXPECT_EQ(d.File1.path(), tmp.str());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_EQ(d.Dir1.subdirectories(), std::vector<std::string> { "sub" });
    EXPECT_TRUE(hasFile(d, "a.bmp"));

    d.Command3.click();
    ASSERT_EQ(d.Label3.caption(), "0");
    browse(d, (tmp.path() / "sub").string());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_TRUE(d.File1.files().empty());

    // A directory that cannot be entered is named, and everything stays where it was.
    browse(d, (tmp.path() / "missing").string());
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_NE(h.screen.errors[0].find("missing"), std::string::npos);
    EXPECT_EQ(d.Dir1.path(), (tmp.path() / "sub").string());
    EXPECT_EQ(d.File1.path(), (tmp.path() / "sub").string());
}

TEST_F(LoadFrame, AFrameRemovedByNewIsNamedAndNothingChanges)
{
    tmp.writePicture("a.bmp", 8, 8, 0xff0000);
    const std::string b = tmp.writePicture("b.bmp", 9, 9, 0x0000ff);
    movelle::Form2& d = open("5");
    main().Command1(4).click();
    browse(d, tmp.str());
    d.File1.select("a.bmp");
    main().fn.click();   // "&New" leaves frame 1 only, but Label6 still names frame 5
    const forms::Picture kept = h.app.loadPicture(b);
    main().Image1(0).setPicture(kept);
    main().x(0).setCaption("kept");

    d.show();
    d.Command1.click();
    // The message names the frame and tells the user how to get one.
    ASSERT_EQ(h.screen.errors.size(), 1u);
    EXPECT_EQ(h.screen.errors[0],
              "There is no frame 5 to put the picture into. Press \"Settings finished\" and choose a frame button first.");
    EXPECT_TRUE(d.isShown());
    EXPECT_TRUE(main().Image1(0).picture() == kept);
    EXPECT_EQ(main().x(0).caption(), "kept");

    d.Command3.click();
    ASSERT_EQ(h.screen.errors.size(), 2u);
    EXPECT_EQ(h.screen.errors[1], h.screen.errors[0]);
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_EQ(main().x(0).caption(), "kept");
}

TEST_F(LoadFrame, ThePreviewStaysInsideItsBoxWithoutDistortion)
{
    tmp.writePicture("small.bmp", 41, 42, 0xff0000);
    tmp.writePicture("wide.bmp", 800, 100, 0x00ff00);
    tmp.writePicture("tall.bmp", 100, 800, 0x0000ff);
    movelle::Form2& d = open();
    browse(d, tmp.str());

    d.File1.select("small.bmp");
    EXPECT_FLOAT_EQ(d.Image1.width(), 41 * 15);
    EXPECT_FLOAT_EQ(d.Image1.height(), 42 * 15);

    d.File1.select("wide.bmp");
    EXPECT_FLOAT_EQ(d.Image1.width(), 3975);
    EXPECT_NEAR(d.Image1.height(), 3975.0 / 8, 0.5);

    d.File1.select("tall.bmp");
    EXPECT_FLOAT_EQ(d.Image1.height(), 1695);
    EXPECT_NEAR(d.Image1.width(), 1695.0 / 8, 0.5);
    EXPECT_FLOAT_EQ(d.Image1.left(), 120);
    EXPECT_FLOAT_EQ(d.Image1.top(), 120);

    // The frame receives the picture itself and takes its own size there.
    d.Command1.click();
    EXPECT_FLOAT_EQ(main().Image1(0).height(), 800 * 15);
}

}
