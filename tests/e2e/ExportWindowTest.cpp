// SPDX-License-Identifier: MIT
#include "ProgramTest.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

using namespace std::chrono_literals;
using namespace e2e;
namespace fs = std::filesystem;

using ExportWindow = ProgramTest;

// Files > Export... as a person uses it: the menu by its access keys, the output typed, Enter for
// OK; Escape while the progress shows stops the export and leaves no file.
TEST_F(ExportWindow, exportsTheAnimationAndStopsOnEscape)
{
    // Two pictures of noise, alternating, so that no frame repeats the one before it and the
    // export has work enough to be stopped while it runs.
    const fs::path dir = root();
    std::mt19937 noise(7);
    std::vector<std::string> pictures;
    for (const char* name : { "a.png", "b.png" }) {
        QImage picture(1280, 720, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] = 0xff000000u | (noise() & 0xffffffu);
        }
        pictures.push_back((dir / name).string());
        ASSERT_TRUE(picture.save(QString::fromStdString(pictures.back())));
    }
    const fs::path animation = dir / "walk.ani";
    {
        std::ofstream file(animation, std::ios::binary);
        file << "300\r\n40\r\n";
        for (int i = 0; i < 300; ++i)
            file << pictures[std::size_t(i % 2)] << "\r\n";
    }

    launchAndLogIn(false, { animation.string() });
    if (HasFatalFailure())
        return;

    const auto openExport = [this] {
        // The animation named on the command line opens first, behind a progress of its own when it
        // lasts; the menu takes no keys until it is done.
        if (!x.waitForWindow("^Movelle$", 10s).empty())
            X11Session::waitUntil([this] { return !x.windowVisible("^Movelle$"); }, 60s);
        x.key("alt+f");
        x.key("e");
        return !x.waitForWindow("^Export$", 30s).empty();
    };
    ASSERT_TRUE(openExport()) << "Files > Export... did not open the dialog";
    const fs::path stopped = dir / "stopped.gif";
    x.key("ctrl+a");
    x.type(stopped.string());
    x.key("Return");
    ASSERT_FALSE(x.waitForWindow("^Movelle$", 30s).empty()) << "the export showed no progress";
    x.key("Escape");
    EXPECT_TRUE(X11Session::waitUntil([this] { return !x.windowVisible("^Movelle$"); }, 30s))
        << "Escape did not stop the export";
    EXPECT_TRUE(x.windowVisible("^Export$")) << "a stopped export closed the dialog";
    for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().find(".gif"), 0u) << entry.path();
    EXPECT_FALSE(fs::exists(stopped));

    // The same animation scaled down to a twentieth exports whole, and OK returns to the main
    // window. Text1 and Text2 lie at 104 pixels from the left, 8 and 72 from the top.
    const std::string dialog = x.waitForWindow("^Export$", 30s);
    const fs::path done = dir / "done.gif";
    x.click(dialog, 130, 82);
    x.key("ctrl+a");
    x.type("0.05");
    x.click(dialog, 130, 18);
    x.key("ctrl+a");
    x.type(done.string());
    x.key("Return");
    EXPECT_TRUE(X11Session::waitUntil([this] { return !x.windowVisible("^Export$"); }, 120s)) << "the export did not end";
    QImageReader gif(QString::fromStdString(done.string()));
    EXPECT_EQ(gif.size(), QSize(64, 36));
    EXPECT_EQ(gif.imageCount(), 300);
}

}
