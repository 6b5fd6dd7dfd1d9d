// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "dialogs/Form2.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

using testing_support::Headless;
using testing_support::reported;
using testing_support::settingsFinished;
using testing_support::TempDir;

class LoadFrame : public ::testing::Test {
protected:
    // A built frame set with the dialog opened by "Load Pic.".
    movelle::Form2& open(const std::string& count = "3")
    {
        settingsFinished(main(), count, "100");
        main().Command3.click();
        return h.app.Form2();
    }
    // The same after frame button `button` (zero-based; -1: none) was clicked, listing the temporary folder.
    movelle::Form2& openOn(int button, const std::string& count = "3")
    {
        movelle::Form2& d = open(count);
        if (button >= 0)
            main().Command1(button).click();
        d.Dir1.open(tmp.str());
        return d;
    }

    movelle::Form1& main() { return h.app.Form1(); }
    int leadingCount() { return std::stoi(main().Text1.text()); }

    Headless h;
    TempDir tmp;
};

TEST_F(LoadFrame, TheLoadStepRunsOnceForEachCreation)
{
    writePicture(tmp, "a.bmp", 4, 4, 0xff0000);
    tmp.writeFile("b.gif", "GIF89a");   // only listed, never decoded
    writePicture(tmp, "c.png", 4, 4, 0x0000ff);
    std::filesystem::current_path(tmp.path());

    movelle::Form2& d = h.app.Form2();
    EXPECT_EQ(h.app.fileSystem().currentDirectory(), "/");
    const std::vector<std::string> patterns { "*.bmp", "*.gif", "*.ico", "*.cur", "*.wmf", "*.emf", "*.jpg", "*.*" };
    EXPECT_EQ(d.Combo1.items(), patterns);
    EXPECT_EQ(d.Combo1.text(), "*.bmp");
    // Until the pattern box is edited, every kind of the design pattern shows, not only "*.bmp".
    d.Dir1.open(tmp.str());
    EXPECT_EQ(d.File1.files(), (std::vector<std::string> { "a.bmp", "b.gif" }));

    d.show();
    d.Command2.click();
    d.show();
    EXPECT_EQ(d.Combo1.items().size(), 8u);

    d.frameClosed();
    EXPECT_EQ(h.app.existing("Form2"), nullptr);
    EXPECT_EQ(h.app.Form2().Combo1.items().size(), 8u);
    EXPECT_EQ(h.app.Form2().Label3.caption(), "0");
}

TEST_F(LoadFrame, PreviewOkAndDefaultNameTheFileInEitherFlagState)
{
    const std::string a = writePicture(tmp, "a.bmp", 41, 42, 0xff0000);
    writePicture(tmp, "b.bmp", 10, 10, 0x00ff00);
    movelle::Form2& d = openOn(2);
    EXPECT_EQ(d.Label3.caption(), "1");
    d.File1.select("a.bmp");
    ASSERT_EQ(d.Image1.picture().width(), 41);
    d.Command1.click();
    EXPECT_EQ(main().x(2).caption(), a);
    EXPECT_TRUE(main().Image1(2).picture() == d.Image1.picture());
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(h.screen.shown.back(), "Form1");

    // "Default" names the selected file in the frame, keeps the frame's picture and the dialog
    // open, and puts the flag back to "0" while the list stays in the directory.
    main().Command1(1).click();
    d.show();
    d.File1.select("b.bmp");
    d.Command3.click();
    EXPECT_EQ(main().x(1).caption(), tmp.str() + "/b.bmp");
    EXPECT_TRUE(main().Image1(1).picture().isNull());
    EXPECT_TRUE(d.isShown());
    EXPECT_EQ(d.Label3.caption(), "0");

    // With the flag at "0" away from the root, the preview still finds the file and the stored
    // path keeps its separator.
    ASSERT_EQ(d.Image1.picture().width(), 10);
    d.File1.select("a.bmp");
    ASSERT_EQ(d.Image1.picture().width(), 41);
    d.Command1.click();
    EXPECT_EQ(main().x(1).caption(), a);
    EXPECT_EQ(main().Image1(1).picture().width(), 41);

    EXPECT_TRUE(h.screen.errors.empty());

    // At the root no second separator is added: the file the refusal names is /a.bmp.
    d.Dir1.open("/");
    d.File1.select("a.bmp");
    d.Command3.click();
    EXPECT_TRUE(reported(h.screen.errors, 1, { "frame 2: /a.bmp is not a picture" }));
}

TEST_F(LoadFrame, ANonPictureKeepsThePreviewSilentlyAndOkRefusesIt)
{
    const std::string good = writePicture(tmp, "good.bmp", 12, 7, 0xff0000);
    const std::string other = writePicture(tmp, "other.bmp", 5, 5, 0x00ff00);
    tmp.writeFile("bad.bmp", "this is not a bitmap");
    movelle::Form2& d = openOn(1);
    main().x(1).setCaption("before");
    d.File1.select("good.bmp");
    const forms::Picture preview = d.Image1.picture();
    ASSERT_FALSE(preview.isNull());

    // The preview trap stays silent and keeps the picture.
    d.File1.select("bad.bmp");
    EXPECT_TRUE(d.Image1.picture() == preview);
    EXPECT_TRUE(h.screen.errors.empty());

    // "OK" would give the frame one file's picture and another's path: it refuses, names the
    // file and frame, and changes nothing.
    d.Command1.click();
    ASSERT_TRUE(reported(h.screen.errors, 1, { tmp.str() + "/bad.bmp", "frame 2" }));
    EXPECT_TRUE(main().Image1(1).picture().isNull());
    EXPECT_EQ(main().x(1).caption(), "before");
    EXPECT_TRUE(d.isShown());

    // A file that previewed once and no longer reads is refused too.
    d.File1.select("other.bmp");
    std::filesystem::resize_file(other, 10);
    d.File1.select("other.bmp");
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 2u);
    EXPECT_EQ(main().x(1).caption(), "before");

    // Picking the good file again previews it, and "OK" takes it.
    d.File1.select("good.bmp");
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 2u);
    EXPECT_TRUE(main().Image1(1).picture() == d.Image1.picture());
    EXPECT_EQ(main().x(1).caption(), good);
    EXPECT_FALSE(d.isShown());
}

TEST_F(LoadFrame, ACancelledPreviewKeepsThePreviousOne)
{
    writePicture(tmp, "first.bmp", 12, 7, 0xff0000);
    writePicture(tmp, "slow.bmp", 5, 5, 0x00ff00);
    movelle::Form2& d = openOn(-1);
    d.File1.select("first.bmp");
    const forms::Picture first = d.Image1.picture();
    ASSERT_FALSE(first.isNull());

    h.screen.cancelWork = true;
    d.File1.select("slow.bmp");
    EXPECT_TRUE(d.Image1.picture() == first);
    EXPECT_TRUE(h.screen.errors.empty());
    EXPECT_NE(h.screen.progressTitles.back().find("slow.bmp"), std::string::npos);
}

TEST_F(LoadFrame, CancelChangesNothing)
{
    writePicture(tmp, "a.bmp", 8, 8, 0xff0000);
    movelle::Form2& d = openOn(-1);
    d.File1.select("a.bmp");
    d.Command1.click();
    const forms::Picture loaded = main().Image1(0).picture();
    ASSERT_FALSE(loaded.isNull());

    // Cancel leaves the main window alone and the dialog where the user left it.
    main().Command3.click();
    d.Combo1.edit("*.b*");
    d.Command2.click();
    EXPECT_FALSE(d.isShown());
    EXPECT_TRUE(main().Image1(0).picture() == loaded);
    EXPECT_EQ(main().x(0).caption(), tmp.str() + "/a.bmp");
    main().Command3.click();
    EXPECT_EQ(d.File1.fileName(), "a.bmp");
    EXPECT_EQ(d.File1.pattern(), "*.b*");
    EXPECT_EQ(d.Label3.caption(), "1");
}

// "OK" and "Default" take only a selected file that reads as a picture; anything else is refused
// with a message naming the file (or saying that none is selected), and nothing changes: neither
// the frame nor the dialog's flag.
TEST_F(LoadFrame, OkAndDefaultRefuseNoSelectionAndFilesThatAreNoPicture)
{
    const std::string a = writePicture(tmp, "a.bmp", 8, 8, 0xff0000);
    const std::string b = writePicture(tmp, "b.png", 6, 6, 0x00ff00);
    const std::string text = tmp.writeFile("notes.txt", "a text, not a picture");
    std::filesystem::create_directory(tmp.path() / "sub");
    movelle::Form2& d = openOn(1);
    d.File1.select("a.bmp");
    d.Command1.click();
    const forms::Picture kept = main().Image1(1).picture();
    ASSERT_EQ(main().x(1).caption(), a);
    main().Command3.click();

    const struct {
        const char* name;
        std::function<void()> select;
        std::string says;
    } cases[] = {
        // The directory changed after the preview, which clears the selection.
        { "directory changed", [&] { d.Dir1.open((tmp.path() / "sub").string()); },
          "no file is selected in " + (tmp.path() / "sub").string() },
        { "fresh dialog", [&] {
              d.frameClosed();
              h.app.Form2().show();
              h.app.Form2().Dir1.open(tmp.str());
          },
          "no file is selected in " + tmp.str() },
        { "a text file", [&] {
              h.app.Form2().Combo1.edit("*.*");
              h.app.Form2().File1.select("notes.txt");
          },
          text + " is not a picture" },
    };
    std::size_t errors = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.select();
        movelle::Form2& dialog = h.app.Form2();
        const std::string flag = dialog.Label3.caption();
        for (forms::CommandButton* button : { &dialog.Command1, &dialog.Command3 }) {
            button->click();
            ASSERT_TRUE(reported(h.screen.errors, ++errors, { "frame 2", c.says }));
            EXPECT_TRUE(main().Image1(1).picture() == kept);
            EXPECT_EQ(main().x(1).caption(), a);
            EXPECT_TRUE(dialog.isShown());
            EXPECT_EQ(dialog.Label3.caption(), flag);
        }
    }

    // A picture that was never previewed (its preview was cancelled) is read once more: "Default"
    // records its path and leaves the frame's picture alone.
    movelle::Form2& dialog = h.app.Form2();
    h.screen.cancelWork = true;
    dialog.File1.select("b.png");
    h.screen.cancelWork = false;
    dialog.Command3.click();
    EXPECT_EQ(h.screen.errors.size(), errors);
    EXPECT_EQ(main().x(1).caption(), b);
    EXPECT_TRUE(main().Image1(1).picture() == kept);
    EXPECT_EQ(dialog.Label3.caption(), "0");
}

TEST_F(LoadFrame, ChangingDriveOrDirectoryMovesTheFileListAndSetsTheFlag)
{
    writePicture(tmp, "a.bmp", 4, 4, 0xff0000);
    std::filesystem::create_directory(tmp.path() / "sub");
    movelle::Form2& d = open();

    // A volume mounted at the temporary directory, as the drive list would offer it.
    d.Drive1.choose(tmp.str());
    EXPECT_EQ(d.Dir1.path(), tmp.str());
    EXPECT_EQ(d.File1.files(), std::vector<std::string> { "a.bmp" });
    EXPECT_EQ(d.Label3.caption(), "1");

    d.File1.select("a.bmp");
    d.Command3.click();
    EXPECT_EQ(d.Label3.caption(), "0");
    d.Dir1.open((tmp.path() / "sub").string());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_TRUE(d.File1.files().empty());

    // A directory that cannot be entered is named, and everything stays where it was.
    d.Dir1.open((tmp.path() / "missing").string());
    ASSERT_TRUE(reported(h.screen.errors, 1, { "missing" }));
    EXPECT_EQ(d.File1.path(), (tmp.path() / "sub").string());
}

TEST_F(LoadFrame, AFrameRemovedByNewIsNamedAndNothingChanges)
{
    writePicture(tmp, "a.bmp", 8, 8, 0xff0000);
    const std::string b = writePicture(tmp, "b.bmp", 9, 9, 0x0000ff);
    movelle::Form2& d = openOn(4, "5");
    d.File1.select("a.bmp");
    main().fn.click();   // "&New" leaves frame 1 only, but Label6 still names frame 5
    const forms::Picture kept = h.app.loadPicture(b);
    main().Image1(0).setPicture(kept);
    main().x(0).setCaption("kept");

    d.show();
    d.Command1.click();
    d.Command3.click();
    const std::string expected
        = "There is no frame 5 to put the picture into. Press \"Settings finished\" and choose a frame button first.";
    EXPECT_EQ(h.screen.errors, (std::vector<std::string> { expected, expected }));
    EXPECT_TRUE(d.isShown());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_TRUE(main().Image1(0).picture() == kept);
    EXPECT_EQ(main().x(0).caption(), "kept");
}

TEST_F(LoadFrame, ThePreviewStaysInsideItsBoxWithoutDistortion)
{
    writePicture(tmp, "small.bmp", 41, 42, 0xff0000);
    writePicture(tmp, "wide.bmp", 800, 100, 0x00ff00);
    writePicture(tmp, "tall.bmp", 100, 800, 0x0000ff);
    movelle::Form2& d = openOn(-1);

    d.File1.select("small.bmp");
    EXPECT_FLOAT_EQ(d.Image1.width(), 41 * 15);
    EXPECT_FLOAT_EQ(d.Image1.height(), 42 * 15);
    d.File1.select("wide.bmp");
    EXPECT_FLOAT_EQ(d.Image1.width(), 3975);
    EXPECT_NEAR(d.Image1.height(), 3975.0 / 8, 0.5);
    d.File1.select("tall.bmp");
    EXPECT_FLOAT_EQ(d.Image1.height(), 1695);
    EXPECT_NEAR(d.Image1.width(), 1695.0 / 8, 0.5);

    // The frame receives the picture itself and takes its own size there.
    d.Command1.click();
    EXPECT_FLOAT_EQ(main().Image1(0).height(), 800 * 15);
}

}

namespace {

// "OK" with several files: each file goes, in the list's order, into the current frame and the
// frames after it, and the animation grows when they run past its last frame.
struct Several {
    const char* count;   // frames built by "Settings finished"; empty: it was never pressed
    int button;          // the frame button clicked before "Load Pic." (zero-based)
    int files;           // how many of the numbered files are selected
    int frames;          // frames afterwards
};

class LoadSeveral : public LoadFrame, public ::testing::WithParamInterface<Several> { };

TEST_P(LoadSeveral, FillFromTheCurrentFrameInTheListsOrderGrowingTheAnimation)
{
    const Several c = GetParam();
    std::vector<std::string> names;
    for (int k = 0; k < c.files; ++k) {
        // Written in reverse, so the list's order is not the order of writing.
        // Zero-padded, so that the list's order (by name) is the order of the numbers.
        const int n = c.files - 1 - k;
        names.insert(names.begin(), std::string(n < 10 ? "p0" : "p") + std::to_string(n) + ".bmp");
        writePicture(tmp, names.front(), 3 + c.files - 1 - k, 2, 0x102030);
    }
    movelle::Form2& d = openOn(c.button, c.count);
    main().x(0).setCaption("untouched");
    // Selected from the last file up, clicked last on the second: the preview shows that one.
    std::vector<std::string> reversed(names.rbegin(), names.rend());
    d.File1.select(reversed, names[1]);
    EXPECT_EQ(d.File1.selectedFiles(), names);
    EXPECT_EQ(d.File1.fileName(), names[1]);
    EXPECT_EQ(d.Image1.picture().width(), 4);

    d.Command1.click();
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_FALSE(d.isShown());
    EXPECT_EQ(main().frameCount(), c.frames);
    EXPECT_EQ(leadingCount(), c.frames);
    for (int k = 0; k < c.files; ++k) {
        EXPECT_EQ(main().x(c.button + k).caption(), tmp.str() + "/" + names[static_cast<std::size_t>(k)]) << k;
        EXPECT_EQ(main().Image1(c.button + k).picture().width(), 3 + k) << k;
        EXPECT_TRUE(main().Command1(c.button + k).enabled()) << k;
    }
    if (c.button > 0) {
        EXPECT_EQ(main().x(0).caption(), "untouched");
    }
    // The window is as "Settings finished" leaves it for the new count, pressed or not.
    EXPECT_TRUE(main().Command1(0).enabled());
    EXPECT_TRUE(main().Image1(0).enabled());
    for (const forms::CommandButton* button : { &main().Command9, &main().Command10, &main().Command11, &main().Command14,
                                                &main().Command3, &main().Command4, &main().Command5, &main().Command6,
                                                &main().Command7, &main().Command8 })
        EXPECT_TRUE(button->enabled()) << button->name();
    EXPECT_TRUE(main().Timer2.enabled());
    EXPECT_FALSE(main().Timer1.enabled());
    EXPECT_EQ(main().Timer1.interval(), 100);
    EXPECT_EQ(main().lv.caption(), "1");
    EXPECT_EQ(main().l6v.caption(), "1");
    // The last button stands where "Settings finished" puts it.
    const int last = c.frames - 1;
    EXPECT_FLOAT_EQ(main().Command1(last).left(), 4080 + 500 * (last % 8));
    EXPECT_FLOAT_EQ(main().Command1(last).top(), 3960 + 255 * (last / 8));
    EXPECT_EQ(main().Command1(last).caption(), std::to_string(c.frames));
}

INSTANTIATE_TEST_SUITE_P(Counts, LoadSeveral,
                         ::testing::Values(Several { "5", 1, 3, 5 },     // room enough: no growth
                                           Several { "3", 1, 4, 5 },     // grows by two
                                           Several { "8", 6, 3, 9 },     // the ninth starts a row
                                           Several { "1", 0, 12, 12 },   // from a single frame
                                           Several { "", 0, 3, 3 }));    // before any frame set

TEST_F(LoadFrame, SeveralFilesWithBadOnesChangeNothingAndNameEveryBadFile)
{
    writePicture(tmp, "a.bmp", 4, 4, 0xff0000);
    tmp.writeFile("b.bmp", "not a bitmap");
    writePicture(tmp, "c.bmp", 4, 4, 0x00ff00);
    tmp.writeFile("d.bmp", "");
    movelle::Form2& d = openOn(-1, "2");
    main().x(1).setCaption("before");
    d.File1.select({ "a.bmp", "b.bmp", "c.bmp", "d.bmp" }, "a.bmp");
    d.Command1.click();
    ASSERT_TRUE(reported(h.screen.errors, 1, { "2 of the 4 files", tmp.str() + "/b.bmp", tmp.str() + "/d.bmp" }));
    EXPECT_EQ(h.screen.errors[0].find("c.bmp"), std::string::npos) << h.screen.errors[0];
    EXPECT_EQ(main().frameCount(), 2);
    EXPECT_EQ(main().Text1.text(), "2");
    EXPECT_EQ(main().x(1).caption(), "before");
    EXPECT_TRUE(d.isShown());

    // A cancel while reading changes nothing either, and says nothing.
    d.File1.select({ "a.bmp", "c.bmp" }, "c.bmp");
    h.screen.cancelWork = true;
    d.Command1.click();
    EXPECT_EQ(h.screen.errors.size(), 1u);
    EXPECT_EQ(main().frameCount(), 2);
    EXPECT_EQ(main().x(1).caption(), "before");
    EXPECT_NE(h.screen.progressTitles.back().find("2 pictures"), std::string::npos);
}

TEST_F(LoadFrame, ASelectionOfSeveralNarrowsBackToOneAsAPlainClickLeavesIt)
{
    writePicture(tmp, "a.bmp", 4, 4, 0xff0000);
    writePicture(tmp, "b.bmp", 6, 4, 0x00ff00);
    movelle::Form2& d = openOn(-1);
    d.File1.select({ "a.bmp", "b.bmp" }, "b.bmp");
    ASSERT_EQ(d.File1.selectedFiles().size(), 2u);
    // A plain click selects one file alone, and "OK" is today's single-file "OK".
    d.File1.select("a.bmp");
    EXPECT_EQ(d.File1.selectedFiles(), std::vector<std::string> { "a.bmp" });
    d.Command1.click();
    EXPECT_EQ(main().x(0).caption(), tmp.str() + "/a.bmp");
    EXPECT_EQ(main().frameCount(), 3);
    // A new directory forgets the selection.
    d.File1.select({ "a.bmp", "b.bmp" }, "a.bmp");
    d.Dir1.open("/");
    EXPECT_TRUE(d.File1.selectedFiles().empty());
}

}
