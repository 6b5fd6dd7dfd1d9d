// SPDX-License-Identifier: MIT
#include "X11Session.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

using namespace std::chrono_literals;
using e2e::X11Session;

// Pixels from the top-left corner of each window's client area (15 twips to the pixel).
constexpr QPoint kPasswordBox { 160, 14 };
constexpr QPoint kFrameCount { 152, 80 };
constexpr QPoint kRate { 152, 105 };
constexpr QPoint kSettingsFinished { 164, 144 };
constexpr int kFramePictureTopBorder = 8;
QPoint frameButton(int i) { return { (4080 + 500 * i) / 15 + 16, 272 }; }
constexpr QPoint kLoadFrameDirectories { 178, 168 };
constexpr QPoint kLoadFrameFiles { 48, 168 };
constexpr QPoint kLoadFramePreview { 28, 28 };
constexpr QPoint kLoadFrameOk { 332, 60 };
constexpr QPoint kFileNameBox { 72, 129 };
constexpr QPoint kFileDialogOk { 324, 52 };

const QColor kColours[] = { QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 0) };
const char* const kFiles[] = { "1red.bmp", "2green.bmp", "3blue.bmp", "4yellow.bmp" };

int colourOf(const QColor& c)
{
    for (int i = 0; i < 4; ++i) {
        const QColor& f = kColours[i];
        if (std::abs(c.red() - f.red()) < 12 && std::abs(c.green() - f.green()) < 12 && std::abs(c.blue() - f.blue()) < 12)
            return i;
    }
    return -1;
}

// Four pictures chosen at once in Load Frame, with the mouse and Shift and Ctrl as a person
// does, go into a two-frame animation, which grows to four frames.
TEST(LoadSeveralFrames, ShiftAndCtrlSelectionFillsAndGrowsTheAnimation)
{
    if (X11Session::findProgram("Xvfb").empty())
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb): the end-to-end test needs an X server of its own.";
    ASSERT_FALSE(X11Session::findProgram("xdotool").empty()) << "xdotool (Debian package xdotool) types and clicks here.";

    std::random_device random;
    const std::filesystem::path root = std::filesystem::temp_directory_path() / ("movelle-e2e-" + std::to_string(random()));
    const std::filesystem::path home = root / "home";
    const std::filesystem::path frames = home / "f";
    std::filesystem::create_directories(frames);
    struct Cleanup {
        std::filesystem::path path;
        ~Cleanup()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } cleanup { root };
    for (int i = 0; i < 4; ++i) {
        QImage picture(60, 60, QImage::Format_RGB32);
        picture.fill(kColours[i]);
        ASSERT_TRUE(picture.save(QString::fromStdString((frames / kFiles[i]).string()), "BMP"));
    }
    std::ofstream(root / "lsan.supp") << "leak:libdbus-1.so\n";

    X11Session x;
    ASSERT_TRUE(x.start()) << x.error();
    ASSERT_TRUE(x.launch(MOVELLE_PROGRAM, { "HOME=" + home.string(), "LSAN_OPTIONS=suppressions=" + (root / "lsan.supp").string() }))
        << x.error();
    const std::string login = x.waitForWindow("^Login$", 30s);
    ASSERT_FALSE(login.empty()) << "the login window did not appear";
    x.click(login, kPasswordBox.x(), kPasswordBox.y());
    x.type("harbor");
    x.key("Return");
    const std::string mainWindow = x.waitForWindow("^Movelle Version 1.0.0$", 30s);
    ASSERT_FALSE(mainWindow.empty()) << "the main window did not open";

    // The client area starts below the menu bar: found from the frame picture's top border.
    int menuHeight = -1;
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            const QPoint at = x.windowPosition(mainWindow);
            const QImage strip = x.grab(QRect(at.x() + 300, at.y(), 200, 80));
            for (int row = 0; row < strip.height(); ++row) {
                int dark = 0;
                for (int col = 0; col < strip.width(); ++col)
                    dark += qGray(strip.pixel(col, row)) < 64;
                if (dark >= 190) {
                    menuHeight = row - kFramePictureTopBorder;
                    return true;
                }
            }
            return false;
        },
        30s))
        << "the main window's frame picture was not drawn";
    const QPoint mainOrigin = x.windowPosition(mainWindow) + QPoint(0, menuHeight);
    auto clickMain = [&](QPoint p) { x.click(mainWindow, p.x(), p.y() + menuHeight); };

    // Two frames at 100 ms a picture.
    clickMain(kFrameCount);
    x.type("2");
    clickMain(kRate);
    x.type("100");
    clickMain(kSettingsFinished);
    const QColor background = x.pixel(mainOrigin + frameButton(3) + QPoint(0, -30));
    ASSERT_TRUE(X11Session::waitUntil([&] { return x.pixel(mainOrigin + frameButton(1)) != background; }, 30s))
        << "the frame buttons did not appear";
    ASSERT_EQ(x.pixel(mainOrigin + frameButton(3)), background) << "a fourth frame button before any was made";

    x.key("F7");
    const std::string dialog = x.waitForWindow("^Load Frame$", 30s);
    ASSERT_FALSE(dialog.empty()) << "the Load Frame dialog did not appear";
    const QPoint origin = x.windowPosition(dialog);
    x.click(dialog, kLoadFrameDirectories.x(), kLoadFrameDirectories.y());
    x.key("End");
    x.key("Return");

    // A click on the first file, Shift+Down twice: three files, the preview on the third.
    x.click(dialog, kLoadFrameFiles.x(), kLoadFrameFiles.y());
    ASSERT_TRUE(X11Session::waitUntil([&] { return colourOf(x.pixel(origin + kLoadFramePreview)) == 0; }, 30s))
        << "the preview does not show the file clicked";
    x.key("shift+Down");
    x.key("shift+Down");
    ASSERT_TRUE(X11Session::waitUntil([&] { return colourOf(x.pixel(origin + kLoadFramePreview)) == 2; }, 30s))
        << "the preview does not follow the selection's last file";
    // Ctrl+click takes the second away again; Ctrl+A then selects all four.
    x.xdotool({ "keydown", "ctrl" });
    x.click(dialog, kLoadFrameFiles.x(), kLoadFrameFiles.y() + 16);
    x.xdotool({ "keyup", "ctrl" });
    x.key("ctrl+a");
    x.click(dialog, kLoadFrameOk.x(), kLoadFrameOk.y());
    ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Load Frame$"); }, 30s))
        << "the dialog stayed open";
    ASSERT_TRUE(X11Session::waitUntil([&] { return x.pixel(mainOrigin + frameButton(3)) != background; }, 30s))
        << "the animation did not grow to four frames";

    // Saved, the animation holds the four files in the list's order, from frame 1 on.
    x.key("F4");
    const std::string save = x.waitForWindow("^Save Screen$", 30s);
    ASSERT_FALSE(save.empty()) << "the Save dialog did not appear";
    x.click(save, kFileNameBox.x(), kFileNameBox.y());
    x.key("ctrl+a");
    x.type("many");
    x.click(save, kFileDialogOk.x(), kFileDialogOk.y());
    const std::filesystem::path saved = home / "many.ani";
    ASSERT_TRUE(X11Session::waitUntil([&] { return std::filesystem::exists(saved) && !x.windowVisible("^Save Screen$"); }, 30s));
    std::ifstream in(saved, std::ios::binary);
    const std::string content { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    std::string expected = "4\r\n100\r\n";
    for (const char* file : kFiles)
        expected += (frames / file).string() + "\r\n";
    EXPECT_EQ(content, expected);
    x.key("Escape");
}

}
