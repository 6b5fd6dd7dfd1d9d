// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "export/ExportCommand.h"
#include "forms/Progress.h"
#include "import/WindowImporter.h"
#include "shell/Form1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

using testing_support::Headless;
using testing_support::reported;
using testing_support::settingsFinished;
using testing_support::TempDir;

// Pictures dropped on the main window, by where they land and what was there before.
struct Drop {
    const char* name;
    const char* count;                  // frames built first; empty: no frame set
    const char* rate;                   // the rate box before the drop
    int selected;                       // the frame button clicked before the drop
    int onButton;                       // the frame button dropped on; -1: the rest of the window
    std::vector<const char*> dropped;   // under the temporary folder
    int first;                          // the frame the first picture goes into
    std::vector<const char*> pictures;  // the pictures in the frames from `first` on
    int frames;                         // frames afterwards
    int interval;                       // the playback timer's interval afterwards
};

class DropFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(tmp.path() / "walk");
        std::filesystem::create_directories(tmp.path() / "empty");
        for (const std::string_view name : kPictures)
            writePicture(tmp, std::string(name), widthOf(name), 2, 0x336699);
        tmp.writeFile("walk/notes.txt", "not a picture");
        tmp.writeFile("notes.txt", "not a picture");
        tmp.writeFile("broken.bmp", "BM not really");
    }

    // Written out of order; each picture's width, its place here counted from 1, tells which it is.
    // The extension's case does not matter: PHOTO.JPG is a picture as photo.jpg is.
    static constexpr std::string_view kPictures[] { "walk/walk10.png", "walk/walk2.png", "walk/Walk1.bmp", "a.bmp",
                                                    "b.bmp", "c.bmp", "walk/walk3.JPG", "D.PNG" };
    static int widthOf(std::string_view name) { return int(std::ranges::find(kPictures, name) - kPictures) + 1; }

    std::vector<std::string> paths(const std::vector<const char*>& names) const
    {
        std::vector<std::string> result;
        for (const char* name : names)
            result.push_back((tmp.path() / name).string());
        return result;
    }

    Headless h;
    TempDir tmp;
};

class DroppedFiles : public DropFixture, public ::testing::WithParamInterface<Drop> { };

TEST_P(DroppedFiles, FillFromWhereTheyLand)
{
    const Drop d = GetParam();
    movelle::Form1& f = h.app.Form1();
    f.Text2.setText(d.rate);
    if (*d.count) {
        f.Text1.setText(d.count);
        f.Command4.click();
        f.Command1(d.selected).click();
    }
    forms::Control* target = d.onButton >= 0 ? &f.Command1(d.onButton) : nullptr;
    h.app.dispatch([&] { f.filesDropped(paths(d.dropped), target); });
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.frameCount(), d.frames);
    EXPECT_EQ(f.Text1.text(), std::to_string(d.frames));
    EXPECT_EQ(f.Timer1.interval(), d.interval);
    EXPECT_TRUE(f.Command5.enabled());
    for (std::size_t k = 0; k < d.pictures.size(); ++k) {
        const int i = d.first + static_cast<int>(k);
        EXPECT_EQ(f.x(i).caption(), (tmp.path() / d.pictures[k]).string()) << i;
        EXPECT_EQ(f.Image1(i).picture().width(), widthOf(d.pictures[k])) << i;
        EXPECT_TRUE(f.Command1(i).enabled()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DroppedFiles,
    ::testing::Values(
        // A folder in natural order, its other files left out; no frame set: one is built at the
        // default rate, the rate box holding none.
        Drop { "FolderBuildsAFrameSet", "", "", 0, -1, { "walk" }, 0,
               { "walk/Walk1.bmp", "walk/walk2.png", "walk/walk3.JPG", "walk/walk10.png" }, 4, 100 },
        Drop { "FilesBuildAtTheTypedRate", "", "250", 0, -1, { "b.bmp", "D.PNG", "a.bmp" }, 0, { "b.bmp", "D.PNG", "a.bmp" }, 3, 250 },
        Drop { "ARateOfLettersIsNoRate", "", "fast", 0, -1, { "a.bmp" }, 0, { "a.bmp" }, 1, 100 },
        // On the rest of the window: from the current frame, within the frames there are.
        Drop { "WindowFillsFromTheCurrentFrame", "5", "100", 1, -1, { "a.bmp", "b.bmp" }, 1, { "a.bmp", "b.bmp" }, 5, 100 },
        // On a frame button: from that frame, growing the animation past its end.
        Drop { "ButtonFillsFromItsFrameAndGrows", "3", "100", 0, 2, { "a.bmp", "walk", "c.bmp" }, 2,
               { "a.bmp", "walk/Walk1.bmp", "walk/walk2.png", "walk/walk3.JPG", "walk/walk10.png", "c.bmp" }, 8, 100 }),
    [](const ::testing::TestParamInfo<Drop>& info) { return std::string(info.param.name); });

// Whatever cannot be used is named, and nothing changes.
struct Refused {
    const char* name;
    std::vector<const char*> dropped;
    std::vector<const char*> named;   // what the message must name
};

class RefusedDrops : public DropFixture, public ::testing::WithParamInterface<Refused> { };

TEST_P(RefusedDrops, ChangeNothingAndNameTheCause)
{
    const Refused r = GetParam();
    movelle::Form1& f = h.app.Form1();
    settingsFinished(f, "2", "100");
    f.x(0).setCaption("zero");
    h.app.dispatch([&] { f.filesDropped(paths(r.dropped), nullptr); });
    ASSERT_TRUE(reported(h.screen.errors, 1, paths(r.named)));
    EXPECT_EQ(f.frameCount(), 2);
    EXPECT_EQ(f.Text1.text(), "2");
    EXPECT_EQ(f.x(0).caption(), "zero");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDrops,
    ::testing::Values(Refused { "NotAPicture", { "a.bmp", "notes.txt" }, { "notes.txt" } },
                      Refused { "Missing", { "gone.bmp", "a.bmp" }, { "gone.bmp" } },
                      Refused { "EmptyFolder", { "empty" }, { "empty" } },
                      Refused { "UnreadablePicture", { "a.bmp", "broken.bmp", "b.bmp" }, { "broken.bmp" } },
                      Refused { "AnimationWithOthers", { "a.bmp", "walk.ani" }, { "walk.ani" } }),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST(DroppedAnimation, OpensAsFilesOpenDoes)
{
    Headless h;
    TempDir tmp;
    const std::string a = writePicture(tmp, "a.bmp", 3, 3, 0xff0000);
    const std::string ani = tmp.writeFile("walk.ani", "2\r\n120\r\n" + a + "\r\n" + a + "\r\n");
    movelle::Form1& f = h.app.Form1();
    h.app.dispatch([&] { f.filesDropped({ ani }, nullptr); });
    ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    EXPECT_EQ(f.Text1.text(), "2");
    EXPECT_EQ(f.state.caption(), "open");
    EXPECT_EQ(f.Timer1.interval(), 120);
    EXPECT_EQ(f.x(1).caption(), a);

    // Over an animation the open refuses as Files > Open refuses, with its message.
    h.app.dispatch([&] { f.filesDropped({ ani }, nullptr); });
    EXPECT_TRUE(reported(h.screen.errors, 1, { "was not opened" }));
}

// An animated GIF or WebP or a video dropped on its own imports into a folder the user picks; its
// frames, written there as PNG pictures, fill the window as dropped pictures do.
struct Import {
    const char* name;
    const char* count;        // frames built first, frame 1 holding a picture; empty: no frame set
    int onButton;             // the frame button dropped on; -1: the rest of the window
    const char* dropped;      // "anim.gif" (two frames, 100 ms), "clip.mp4" (three, 40 ms), ...
    std::vector<forms::SaveAnswer> answers;  // to the unsaved-work question, when it comes
    bool folderChosen;        // false: the folder chooser is cancelled
    bool cancelImport;        // Cancel pressed while the import runs
    const char* error;        // what the message must say; empty: none
    int questions;            // unsaved-work questions asked
    int first;                // the frame the first imported picture goes into; -1: nothing changes
    int imported;             // frames written by the import
    int frames;               // frames afterwards
    int interval;             // the playback timer's interval afterwards
};

class ImportedDrops : public DropFixture, public ::testing::WithParamInterface<Import> {
protected:
    void SetUp() override
    {
        DropFixture::SetUp();
        h.app.setImporter(&importer);
        std::filesystem::create_directories(tmp.path() / "out");
        std::filesystem::copy_file(std::string(MOVELLE_TEST_DATA) + "/pictures/anim.gif", tmp.path() / "anim.gif");
        std::filesystem::copy_file(std::string(MOVELLE_TEST_DATA) + "/pictures/quad.gif", tmp.path() / "quad.gif");
        tmp.writeFile("broken.mp4", "not a video at all");
        // Three frames at 40 ms, made into a video by the export engine.
        std::string ani = "3\r\n40\r\n";
        for (const char* picture : { "a.bmp", "b.bmp", "c.bmp" })
            ani += writePicture(tmp, std::string("v") + picture, 32, 24, 0x2080c0) + "\r\n";
        const std::string animation = tmp.writeFile("clip.ani", ani);
        const std::atomic<bool> never { false };
        ASSERT_EQ(exporter::ExportCommand::exportForWindow({ animation, tmp.file("clip.mp4"), "--quiet" }, never,
                                                           [](int, int) {}),
                  "");
    }

    importer::WindowImporter importer;
};

TEST_P(ImportedDrops, ImportIntoTheChosenFolderAndFillTheFrames)
{
    const Import d = GetParam();
    movelle::Form1& f = h.app.Form1();
    if (*d.count) {
        settingsFinished(f, d.count, "250");
        f.Image1(1).setPicture(f.Image1(0).picture());
        f.x(1).setCaption("work");
    }
    h.screen.answers = d.answers;
    if (d.folderChosen)
        h.screen.folders.push_back(tmp.file("out"));
    h.screen.cancelWork = d.cancelImport;
    const std::string text1 = f.Text1.text();
    forms::Control* target = d.onButton >= 0 ? &f.Command1(d.onButton) : nullptr;
    h.app.dispatch([&] { f.filesDropped({ tmp.file(d.dropped) }, target); });

    EXPECT_EQ(static_cast<int>(h.screen.questions.size()), d.questions);
    const std::filesystem::path written = tmp.path() / "out" / (std::filesystem::path(d.dropped).stem().string() + "-frames");
    if (*d.error) {
        ASSERT_TRUE(reported(h.screen.errors, 1, { d.error, tmp.file(d.dropped) }));
        const std::string& error = h.screen.errors[0];
        EXPECT_EQ(error.find(tmp.file(d.dropped)), error.rfind(tmp.file(d.dropped))) << "named twice: " << error;
    } else {
        ASSERT_TRUE(h.screen.errors.empty()) << h.screen.errors.front();
    }
    if (d.first < 0) {
        // Nothing changed, and nothing was left in the folder.
        EXPECT_EQ(f.Text1.text(), text1);
        EXPECT_FALSE(std::filesystem::exists(written));
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path() / "out"));
        if (*d.count) {
            EXPECT_EQ(f.x(1).caption(), "work");
        }
        return;
    }
    EXPECT_EQ(h.screen.folderQuestions.size(), d.imported > 0 ? 1u : 0u);
    EXPECT_EQ(f.frameCount(), d.frames);
    EXPECT_EQ(f.Text1.text(), std::to_string(d.frames));
    EXPECT_EQ(f.Timer1.interval(), d.interval);
    EXPECT_TRUE(f.Command5.enabled());
    for (int k = 0; k < d.imported; ++k) {
        const std::string frame = (written / ("frame000" + std::to_string(k + 1) + ".png")).string();
        EXPECT_TRUE(std::filesystem::is_regular_file(frame)) << frame;
        EXPECT_EQ(f.x(d.first + k).caption(), frame) << k;
        EXPECT_FALSE(f.Image1(d.first + k).picture().isNull()) << k;
        EXPECT_TRUE(f.Command1(d.first + k).enabled()) << k;
    }
    if (d.imported == 0) {
        EXPECT_EQ(f.x(d.first).caption(), tmp.file(d.dropped));
    }
}

using forms::SaveAnswer;
INSTANTIATE_TEST_SUITE_P(
    Cases, ImportedDrops,
    ::testing::Values(
        // No frame set: one is built at the rate the frames had.
        Import { "GifBuildsAFrameSet", "", -1, "anim.gif", {}, true, false, "", 0, 0, 2, 2, 100 },
        Import { "VideoBuildsAtItsRate", "", -1, "clip.mp4", {}, true, false, "", 0, 0, 3, 3, 40 },
        // A GIF of one frame is a still picture: loaded as dropped pictures are, no folder asked.
        Import { "OneFrameGifIsAPicture", "", -1, "quad.gif", {}, false, false, "", 0, 0, 0, 1, 100 },
        // Over frames that hold work: asked first; Don't Save goes on from the button dropped on,
        // the animation keeping its rate.
        Import { "OverWorkAsksFirst", "2", 1, "clip.mp4", { SaveAnswer::DontSave }, true, false, "", 1, 1, 3, 4, 250 },
        Import { "OnEmptyFramesAsksNothing", "4", 2, "anim.gif", {}, true, false, "", 0, 2, 2, 4, 250 },
        Import { "CancelledQuestion", "2", 0, "anim.gif", { SaveAnswer::Cancel }, true, false, "", 1, -1, 0, 2, 250 },
        Import { "CancelledFolderChooser", "", -1, "clip.mp4", {}, false, false, "", 0, -1, 0, 0, 0 },
        Import { "CancelledImport", "", -1, "clip.mp4", {}, true, true, "", 0, -1, 0, 0, 0 },
        Import { "BrokenVideo", "", -1, "broken.mp4", {}, true, false, "was not imported", 0, -1, 0, 0, 0 }),
    [](const ::testing::TestParamInfo<Import>& info) { return std::string(info.param.name); });

TEST_F(DropFixture, AnAnimationToImportIsDroppedOnItsOwn)
{
    importer::WindowImporter importer;
    h.app.setImporter(&importer);
    tmp.writeFile("clip.webm", "a video, by its name");
    movelle::Form1& f = h.app.Form1();
    h.app.dispatch([&] { f.filesDropped({ tmp.file("a.bmp"), tmp.file("clip.webm") }, nullptr); });
    EXPECT_TRUE(reported(h.screen.errors, 1, { tmp.file("clip.webm") + ": an animation to import" }));
    EXPECT_TRUE(h.screen.folderQuestions.empty());
    EXPECT_FALSE(f.framesBuilt());
}

}
