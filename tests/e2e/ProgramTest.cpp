// SPDX-License-Identifier: MIT
#include "ProgramTest.h"

#include <QImage>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

namespace e2e {

using namespace std::chrono_literals;

const QColor kFrameColours[4] = { QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 0) };

int frameOf(const QColor& c)
{
    for (int i = 0; i < 4; ++i) {
        const QColor& f = kFrameColours[i];
        if (std::abs(c.red() - f.red()) < 12 && std::abs(c.green() - f.green()) < 12 && std::abs(c.blue() - f.blue()) < 12)
            return i;
    }
    return -1;
}

std::string contentOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

ProgramTest::ProgramTest()
{
    std::random_device random;
    m_root = std::filesystem::temp_directory_path() / ("movelle-e2e-" + std::to_string(random()));
    std::filesystem::create_directories(frames());
}

ProgramTest::~ProgramTest()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

void ProgramTest::SetUp()
{
    if (X11Session::findProgram("Xvfb").empty())
        GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb): the end-to-end test needs an X server of its own.";
    ASSERT_FALSE(X11Session::findProgram("xdotool").empty()) << "xdotool (Debian package xdotool) types and clicks here.";
}

void ProgramTest::TearDown()
{
    if (HasFailure() && !x.display().empty()) {
        const std::string shot = (std::filesystem::current_path() / "movelle-e2e-failure.png").string();
        x.saveScreen(shot);
        std::cerr << "The screen at the failure is in " << shot << "\n";
    }
}

std::vector<std::string> ProgramTest::writeFramePictures(std::initializer_list<const char*> names)
{
    std::vector<std::string> paths;
    for (const char* name : names) {
        QImage picture(60, 60, QImage::Format_RGB32);
        picture.fill(kFrameColours[paths.size()]);
        paths.push_back((frames() / name).string());
        EXPECT_TRUE(picture.save(QString::fromStdString(paths.back()), "BMP")) << paths.back();
    }
    return paths;
}

void ProgramTest::launchAndLogIn(bool windowManager, const std::vector<std::string>& arguments)
{
    // In the sanitizer build the leak checker looks at the program's end too; the session bus
    // library that Qt's X11 platform loads keeps a buffer it never frees, which is not ours.
    const std::filesystem::path suppressions = m_root / "lsan.supp";
    std::ofstream(suppressions) << "leak:libdbus-1.so\n";
    const char* lsan = std::getenv("LSAN_OPTIONS");
    const std::string lsanOptions
        = std::string(lsan ? lsan : "") + (lsan && *lsan ? ":" : "") + "suppressions=" + suppressions.string();

    m_windowManager = windowManager;
    ASSERT_TRUE(x.start()) << x.error();
    if (windowManager) {
        ASSERT_TRUE(x.startWindowManager()) << x.error();
    }
    ASSERT_TRUE(x.launch(MOVELLE_PROGRAM, { "HOME=" + home().string(), "LSAN_OPTIONS=" + lsanOptions }, arguments))
        << x.error();

    // The login: the password typed into its box, then Enter.
    const std::string login = x.waitForWindow("^Login$", 30s);
    ASSERT_FALSE(login.empty()) << "the login window did not appear";
    clickIn(login, kPasswordBox);
    x.type("harbor");
    x.key("Return");
    mainWindow = x.waitForWindow("^Movelle Version 1.0.0$", 30s);
    ASSERT_FALSE(mainWindow.empty()) << "the main window did not open";
    EXPECT_FALSE(x.windowVisible("^Login$"));
}

void ProgramTest::startAndLogIn(bool windowManager, const std::vector<std::string>& arguments)
{
    launchAndLogIn(windowManager, arguments);
    if (HasFatalFailure())
        return;
    // Under a window manager the window is maximized after it is first shown.
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            menuHeight = findCanvasTop(mainWindow);
            return menuHeight >= 0 && (!windowManager || x.windowSize(mainWindow).width() > 900);
        },
        30s))
        << "the main window's frame picture was not drawn; the window is at " << x.windowPosition(mainWindow).x() << ","
        << x.windowPosition(mainWindow).y() << " size " << x.windowSize(mainWindow).width() << " canvas top " << menuHeight;
    mainOrigin = x.windowPosition(mainWindow) + QPoint(0, menuHeight);
}

// Where the main window's client area starts on the screen, below its menu bar: found from the
// frame picture's top border, the only long straight line right of the settings box.
int ProgramTest::findCanvasTop(const std::string& window)
{
    const QPoint at = x.windowPosition(window);
    const QImage strip = x.grab(QRect(at.x() + 300, at.y(), 200, 80));
    for (int row = 0; row < strip.height(); ++row) {
        int dark = 0;
        for (int col = 0; col < strip.width(); ++col)
            dark += qGray(strip.pixel(col, row)) < 64;
        if (dark >= 190)
            return row - kFramePictureTopBorder;
    }
    return -1;
}

void ProgramTest::build(int count, const std::string& rate)
{
    clickMain(kFrameCount);
    x.type(std::to_string(count));
    clickMain(kRate);
    x.type(rate);
    clickMain(kSettingsFinished);
    const QColor background = mainPixel(frameButton(count - 1) + QPoint(0, -30));
    ASSERT_TRUE(X11Session::waitUntil([&] { return mainPixel(frameButton(count - 1)) != background; }, 30s))
        << "the frame buttons did not appear";
}

void ProgramTest::saveAs(const std::string& name)
{
    x.key("F4");
    const std::string save = x.waitForWindow("^Save Screen$", 30s);
    ASSERT_FALSE(save.empty()) << "the Save dialog did not appear";
    clickIn(save, kFileNameBox);
    x.key("ctrl+a");
    x.type(name);
    clickIn(save, kFileDialogOk);
    ASSERT_TRUE(X11Session::waitUntil([&] { return !x.windowVisible("^Save Screen$"); }, 30s))
        << "the Save dialog stayed open";
}

std::string ProgramTest::openAs(const std::string& name)
{
    x.key("F3");
    const std::string open = x.waitForWindow("^Open Screen$", 30s);
    EXPECT_FALSE(open.empty()) << "the Open dialog did not appear";
    if (!open.empty()) {
        clickIn(open, kFileNameBox);
        x.key("ctrl+a");
        x.type(name);
        clickIn(open, kFileDialogOk);
    }
    return open;
}

}
