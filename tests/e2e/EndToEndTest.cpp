// SPDX-License-Identifier: MIT
#include "ProgramTest.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>


namespace {

using namespace std::chrono_literals;
using namespace e2e;

class EndToEnd : public ProgramTest {
protected:
    // The answer buttons of a message box, left to right, as points inside each relative to the
    // box: found on the lowest row that crosses nothing but their outlines, so that no font's
    // metrics are assumed.
    std::vector<QPoint> boxButtons(const std::string& box)
    {
        const QRect frame = x.windowGeometry(box);
        const QImage shot = x.grab(frame);
        for (int row = shot.height() - 4; row > shot.height() / 2; --row) {
            std::vector<int> edges;
            for (int col = 0; col < shot.width(); ++col) {
                if (qGray(shot.pixel(col, row)) >= 200)
                    continue;
                if (edges.empty() || col > edges.back() + 1)
                    edges.push_back(col);
                else
                    edges.back() = col;
            }
            if (edges.size() < 4 || edges.size() % 2 != 0 || edges.size() > 8)
                continue;
            std::vector<QPoint> buttons;
            for (std::size_t k = 0; k < edges.size(); k += 2)
                buttons.emplace_back((edges[k] + edges[k + 1]) / 2, row - 3);
            return buttons;
        }
        return {};
    }

    struct Run {
        int frame;
        std::chrono::steady_clock::time_point first;
        std::chrono::steady_clock::time_point last;
    };

    // Watches the frame picture while playback runs: one run per picture seen, with when it
    // was first and last seen.
    std::vector<Run> watchPlayback(std::chrono::milliseconds duration)
    {
        std::vector<Run> runs;
        X11Session::waitUntil(
            [&] {
                const auto now = std::chrono::steady_clock::now();
                const int frame = frameOf(mainPixel(kFramePicture));
                if (frame < 0)
                    return false;
                if (runs.empty() || runs.back().frame != frame)
                    runs.push_back({ frame, now, now });
                else
                    runs.back().last = now;
                return false;
            },
            duration, 2ms);
        return runs;
    }

    // Each picture is followed by the next, the last by the first. A busy machine can keep the
    // watcher from looking for longer than a picture stays, so a change is judged only where
    // the watcher looked again soon enough not to have missed a picture. Even then a picture
    // painted late stays only until the next tick, which keeps its time, and may come and go
    // unseen: one change in five may skip a picture; a player that skips or goes backwards
    // does so at every change.
    static void expectCycle(const std::vector<Run>& runs)
    {
        int judged = 0;
        std::vector<std::string> skips;
        for (std::size_t i = 1; i < runs.size(); ++i) {
            if (runs[i].first - runs[i - 1].last > 60ms)
                continue;
            ++judged;
            if (runs[i].frame != (runs[i - 1].frame + 1) % 3)
                skips.push_back("frame " + std::to_string(runs[i].frame + 1) + " followed frame "
                                + std::to_string(runs[i - 1].frame + 1));
        }
        EXPECT_LE(skips.size() * 5, static_cast<std::size_t>(judged))
            << skips.size() << " of " << judged << " changes out of order, the first: " << skips.front();
        EXPECT_GE(judged, 5) << "too few changes of picture seen while playing: " << runs.size() << " runs";
    }
};

TEST_F(EndToEnd, LoginBuildLoadPlaySaveNewOpenAndEscape)
{
    const std::vector<std::string> pictures = writeFramePictures({ "1red.bmp", "2green.bmp", "3blue.bmp" });
    startAndLogIn();
    if (HasFatalFailure())
        return;

    // Three frames at 100 ms a picture.
    build(3, "100");
    if (HasFatalFailure())
        return;

    // Each frame gets its picture through the Load Frame dialog.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pictures[i]);
        clickMain(frameButton(i));
        x.key("F7");
        const std::string dialog = x.waitForWindow("^Load Frame$", 30s);
        ASSERT_FALSE(dialog.empty()) << "the Load Frame dialog did not appear";
        const QPoint origin = x.windowPosition(dialog);
        if (i == 0) {
            // Into the folder of the pictures: the last entry of the directory list.
            clickIn(dialog, kLoadFrameDirectories);
            x.key("End");
            x.key("Return");
        }
        clickIn(dialog, kLoadFrameFiles);
        for (int down = 0; down < i; ++down)
            x.key("Down");
        ASSERT_TRUE(X11Session::waitUntil([&] { return frameOf(x.pixel(origin + kLoadFramePreview)) == i; }, 30s))
            << "the preview does not show " << pictures[i];
        clickIn(dialog, kLoadFrameOk);
        ASSERT_TRUE(X11Session::waitUntil([&] { return frameOf(mainPixel(kFramePicture)) == i; }, 30s))
            << "frame " << i + 1 << " does not show its picture";
    }

    // Playback shows the three pictures in order, over and over.
    x.key("F5");
    expectCycle(watchPlayback(2000ms));
    x.key("F6");

    // Saved under the name typed into the Save dialog, in the home directory its lists show.
    saveAs("anim");
    if (HasFatalFailure())
        return;
    ASSERT_TRUE(std::filesystem::exists(home() / "anim.ani"));
    EXPECT_EQ(contentOf(home() / "anim.ani"),
              "3\r\n100\r\n" + pictures[0] + "\r\n" + pictures[1] + "\r\n" + pictures[2] + "\r\n");

    // New empties the frame picture.
    x.key("F2");
    ASSERT_TRUE(X11Session::waitUntil([&] { return frameOf(mainPixel(kFramePicture)) < 0; }, 30s))
        << "New left a frame picture on screen";

    // Opened again: the same three pictures play in the same order.
    ASSERT_FALSE(openAs("anim.ani").empty());
    ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Open Screen$"); }, 30s))
        << "the Open dialog stayed open";
    x.key("F5");
    expectCycle(watchPlayback(2000ms));

    // Escape in the main window ends the program.
    x.key("Escape");
    EXPECT_EQ(x.waitForExit(10s), 0);
}

// Work that would be lost is asked about first: Escape in the question is Cancel and keeps the
// program; a click on "Don't Save" ends it.
TEST_F(EndToEnd, UnsavedWorkIsAskedAboutByKeyboardAndByClick)
{
    startAndLogIn();
    if (HasFatalFailure())
        return;
    build(2, "100");
    if (HasFatalFailure())
        return;

    x.key("Escape");
    std::string question = x.waitForWindow("^Movelle$", 10s);
    ASSERT_FALSE(question.empty()) << "Escape did not ask about the unsaved animation";
    x.key("Escape");
    ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Movelle$"); }, 10s))
        << "Escape did not cancel the question";
    EXPECT_TRUE(x.windowVisible("^Movelle Version 1.0.0$"));

    // The main window has the keyboard again and the program runs on: F1 asks once more.
    x.key("F1");
    question = x.waitForWindow("^Movelle$", 10s);
    ASSERT_FALSE(question.empty()) << "F1 did not ask about the unsaved animation";
    std::vector<QPoint> buttons;
    ASSERT_TRUE(X11Session::waitUntil([&] { return (buttons = boxButtons(question)).size() == 3; }, 10s))
        << "the question's three buttons were not found";
    // Save, Don't Save and Cancel, in the order the desktop lays them out.
    x.click(question, buttons[1].x(), buttons[1].y());
    EXPECT_EQ(x.waitForExit(10s), 0);
}


// The ways a user stops an open through its progress dialog.
enum class CancelBy { Click, Escape, Space, CloseBox };

struct CancelCase {
    CancelBy way;
    bool windowManager;
};

class CancelProgress : public EndToEnd, public ::testing::WithParamInterface<CancelCase> { };

// An open of many large pictures shows the progress dialog; cancelling it, with input sent as the
// X server sends a user's, stops the open and leaves the main window as it was. Meanwhile the
// main window takes no input.
TEST_P(CancelProgress, StopsTheOpen)
{
    const auto [way, windowManager] = GetParam();
    if (windowManager && X11Session::findProgram("openbox").empty())
        GTEST_SKIP() << "openbox is not installed (Debian package openbox)";

    // Large pictures of one colour: small files whose decoding takes a while each. Every frame
    // has a file of its own, so each is decoded.
    constexpr int kFrames = 800;
    QImage big(2000, 2000, QImage::Format_RGB32);
    big.fill(QColor(200, 120, 40));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && big.save(&buffer, "JPEG", 50));
    std::ofstream animation(home() / "slow.ani", std::ios::binary);
    animation << kFrames << "\r\n100\r\n";
    for (int i = 0; i < kFrames; ++i) {
        const std::filesystem::path file = frames() / ("slow" + std::to_string(i) + ".jpg");
        std::ofstream(file, std::ios::binary).write(jpeg.constData(), jpeg.size());
        animation << file.string() << "\r\n";
    }
    animation.close();

    startAndLogIn(windowManager);
    if (HasFatalFailure())
        return;
    // The focus leaves the number box for "Default...", so that no blinking caret differs from
    // one look at the window to the next.
    x.key("Tab");
    x.key("Tab");
    clickMain(kNowhere);
    const QRect mainArea(mainOrigin, QSize(560, 320));
    QImage before;
    ASSERT_TRUE(X11Session::waitUntil([&] { return (before = x.grab(mainArea)) == x.grab(mainArea); }, 5s));
    // The window's shades differ a little between active and inactive; text, frames and pictures
    // differ by far more.
    const auto sameLook = [](const QImage& a, const QImage& b) {
        if (a.size() != b.size())
            return false;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y);
                const QRgb q = b.pixel(x, y);
                if (std::abs(qRed(p) - qRed(q)) > 40 || std::abs(qGreen(p) - qGreen(q)) > 40
                    || std::abs(qBlue(p) - qBlue(q)) > 40)
                    return false;
            }
        }
        return true;
    };

    {
        const std::string open = openAs("slow.ani");
        ASSERT_FALSE(open.empty());
        const std::string progress = x.waitForWindow("^Movelle$", 20s);
        ASSERT_FALSE(progress.empty()) << "the progress dialog did not appear";
        if (windowManager) {
            EXPECT_NE(x.transientFor(progress), 0u) << "the progress dialog belongs to no window";
        }

        {
            // Typing into the main window and pressing its keys while the dialog is up changes
            // nothing there.
            clickMain(kFrameCount);
            x.type("9");
            clickMain(kSettingsFinished);
            ASSERT_TRUE(x.windowVisible("^Movelle$")) << "the open ended before it could be cancelled";
        }

        const QSize size = x.windowSize(progress);
        const auto cancelled = std::chrono::steady_clock::now();
        switch (way) {
        case CancelBy::Click:
            // Cancel is the button at the dialog's bottom right corner.
            x.click(progress, size.width() - 30, size.height() - 20);
            break;
        case CancelBy::Escape:
            x.key("Escape");
            break;
        case CancelBy::Space:
            x.key("space");
            break;
        case CancelBy::CloseBox:
            x.closeWindow(progress);
            break;
        }
        ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Movelle$"); }, 60s))
            << "the progress dialog stayed up";
        // The Open dialog stays for another try. It closes once the open has stopped and the
        // program takes input again; the main window it uncovers is exactly as it was: no
        // frames, no picture, no typed text.
        // Its Cancel is clicked until it hides: a click while the open still runs is lost.
        ASSERT_TRUE(X11Session::waitUntil(
            [&] {
                if (!x.windowVisible("^Open Screen$"))
                    return true;
                clickIn(open, kFileDialogCancel);
                return false;
            },
            60s, 100ms));
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - cancelled);
        std::cerr << "stopped and took input again " << took.count() << " ms after the cancel\n";
        // The open itself would last far longer; what may still run is the decoding of the
        // pictures under way when the user cancelled.
        EXPECT_LT(took, 3s) << "the open went on after the cancel";
        // Back in the main window (a click where there is no control), the focus is back on
        // "Default..." too.
        clickMain(kNowhere);
        if (!X11Session::waitUntil([&] { return sameLook(x.grab(mainArea), before); }, 10s)) {
            ADD_FAILURE() << "the main window changed: it was as in movelle-e2e-before.png, it is as in "
                             "movelle-e2e-after.png";
            before.save("movelle-e2e-before.png");
            x.grab(mainArea).save("movelle-e2e-after.png");
        }
    }
}

std::string cancelName(const ::testing::TestParamInfo<CancelCase>& info)
{
    static const char* const ways[] = { "Click", "Escape", "Space", "CloseBox" };
    return std::string(ways[int(info.param.way)]) + (info.param.windowManager ? "UnderOpenbox" : "");
}

// Without a window manager there is no close box.
INSTANTIATE_TEST_SUITE_P(, CancelProgress,
                         ::testing::Values(CancelCase { CancelBy::Click, false }, CancelCase { CancelBy::Escape, false },
                                           CancelCase { CancelBy::Space, false }, CancelCase { CancelBy::Click, true },
                                           CancelCase { CancelBy::Escape, true }, CancelCase { CancelBy::CloseBox, true }),
                         cancelName);

// The command line is read before any window system is needed: without a display, a mistake in
// it tells the usage and the status 2, and --help and --version answer.
struct CommandLineCase {
    std::vector<std::string> arguments;
    int status;
    const char* output;  // what standard output or standard error begins with
};

class CommandLine : public ::testing::TestWithParam<CommandLineCase> { };

TEST_P(CommandLine, IsReadWithoutADisplay)
{
    const CommandLineCase& c = GetParam();
    std::vector<std::string> environment;
    for (const std::string& entry : e2e::environmentWith({})) {
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM")
            environment.push_back(entry);
    }
    std::vector<std::string> command { MOVELLE_PROGRAM };
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    std::string text;
    EXPECT_EQ(e2e::run(command, environment, &text, 30s), c.status) << text;
    EXPECT_EQ(text.rfind(c.output, 0), 0u) << text;
    if (c.status == 2) {
        EXPECT_NE(text.find("Usage: movelle"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(, CommandLine,
                         ::testing::Values(CommandLineCase { { "--bogus" }, 2, "movelle: unexpected argument --bogus" },
                                           CommandLineCase { { "a.ani", "b.ani" }, 2, "movelle: unexpected argument b.ani" },
                                           CommandLineCase { { "--help" }, 0, "Usage: movelle" },
                                           CommandLineCase { { "--version" }, 0, "Movelle 1.0.0" }));

}
