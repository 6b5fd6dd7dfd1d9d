// SPDX-License-Identifier: MIT
#pragma once

#include "X11Session.h"

#include <QColor>
#include <QPoint>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace e2e {

// Twips become pixels at 15 to one; these are the centres and corners of the controls the tests
// use, in pixels from the top-left corner of each window's client area.
constexpr QPoint kPasswordBox { 160, 14 };
constexpr QPoint kFrameCount { 152, 80 };
constexpr QPoint kRate { 152, 105 };
constexpr QPoint kSettingsFinished { 164, 144 };
constexpr QPoint kFramePicture { 284, 28 };           // inside Image1(i), which all lie at 264, 8
constexpr int kFramePictureTopBorder = 8;
inline QPoint frameButton(int i) { return { (4080 + 500 * i) / 15 + 16, 272 }; }
constexpr QPoint kLoadFrameDirectories { 178, 168 };  // the first entry of Dir1
constexpr QPoint kLoadFrameFiles { 48, 168 };         // the first entry of File1
constexpr QPoint kLoadFramePreview { 28, 28 };
constexpr QPoint kLoadFrameOk { 332, 60 };
constexpr QPoint kFileNameBox { 72, 129 };            // Text1 of the Save and Open dialogs
constexpr QPoint kFileDialogOk { 324, 52 };
constexpr QPoint kFileDialogCancel { 324, 84 };
constexpr QPoint kNowhere { 450, 300 };                // no control of the main window

// Red, green, blue and yellow: the pictures the tests load, one colour each.
extern const QColor kFrameColours[4];
// Which frame colour this is, or -1.
int frameOf(const QColor& c);
// The whole of a file.
std::string contentOf(const std::filesystem::path& path);

// The program on an X server of its own, started with a home directory of its own that holds a
// folder of pictures, and logged in as a person does. On a failure the screen is saved.
class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path root() const { return m_root; }
    std::filesystem::path home() const { return m_root / "home"; }
    std::filesystem::path frames() const { return home() / "f"; }
    // Writes a 60 x 60 picture of each name into frames(), in the frame colours' order; their paths.
    std::vector<std::string> writeFramePictures(std::initializer_list<const char*> names);

    // Starts Xvfb (and openbox when asked), the program with these arguments, and logs in: the
    // main window is shown.
    void launchAndLogIn(bool windowManager = false, const std::vector<std::string>& arguments = {});
    // launchAndLogIn, then finds the main window's client area. Sets up the members below.
    void startAndLogIn(bool windowManager = false, const std::vector<std::string>& arguments = {});
    // Types a frame count and a rate and presses "Settings finished".
    void build(int count, const std::string& rate);
    // The F4 dialog: saves under the name typed in its box, in the home directory its lists show.
    void saveAs(const std::string& name);
    // The F3 dialog: the name typed in its box, then OK; the dialog's window, or "" when it did not appear.
    std::string openAs(const std::string& name);

    QColor mainPixel(QPoint p) { return x.pixel(mainOrigin + p); }
    void clickMain(QPoint p) { x.click(mainWindow, p.x(), p.y() + menuHeight); }
    void clickIn(const std::string& window, QPoint p) { x.click(window, p.x(), p.y()); }

    X11Session x;
    std::string mainWindow;
    QPoint mainOrigin;
    int menuHeight = 0;

private:
    int findCanvasTop(const std::string& window);

    std::filesystem::path m_root;
    bool m_windowManager = false;
};

}
