// SPDX-License-Identifier: MIT
#include "Headless.h"

#include "forms/Error.h"
#include "shell/Form5.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// A desktop that says whether it found an application, and remembers what it was given.
class Desktop final : public forms::WindowSystem {
public:
    bool openWithDesktop(const std::string& path) override
    {
        opened.push_back(path);
        return answer;
    }
    void reportError(const std::string& message) override { errors.push_back(message); }

    bool answer = true;
    std::vector<std::string> opened;
    std::vector<std::string> errors;
};

struct Drawing {
    Desktop desktop;
    forms::ManualClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { desktop, clock, decoder };
};

std::vector<std::uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Activates the drawing's picture with TMPDIR set to `directory` for the while.
void activateWithTemporaryDirectory(Drawing& d, const char* directory)
{
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    setenv("TMPDIR", directory, 1);
    d.app.Form5().OLE1.activate();
    if (before)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

TEST(Drawing, TheEmbeddedPictureIsAnEmptyWhiteCanvasOf189By189At24Bits)
{
    const std::vector<std::uint8_t> bmp = movelle::Form5::whiteBitmap(189, 189);
    // 54 bytes of headers, then 189 rows of 567 bytes padded to 568.
    ASSERT_EQ(bmp.size(), 54u + 568u * 189u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(bmp[28], 24);
    EXPECT_EQ(bmp[54 + 567], 0);   // the padding byte ends the first row

    const QImage image = QImage::fromData(bmp.data(), static_cast<int>(bmp.size()), "BMP");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(189, 189));
    for (QPoint p : { QPoint(0, 0), QPoint(188, 0), QPoint(94, 94), QPoint(0, 188), QPoint(188, 188) })
        EXPECT_EQ(image.pixel(p), qRgb(255, 255, 255));
}

TEST(Drawing, ActivatingThePictureHandsABitmapFileToTheDesktopAndKeepsItsChanges)
{
    Drawing d;
    movelle::Form5& drawing = d.app.Form5();
    drawing.OLE1.activate();
    ASSERT_EQ(d.desktop.opened.size(), 1u);
    const std::string path = d.desktop.opened[0];
    EXPECT_EQ(std::filesystem::path(path).extension(), ".bmp");
    EXPECT_TRUE(d.desktop.errors.empty());
    EXPECT_EQ(readAll(path), drawing.OLE1.data());
    // The program's own decoder reads it as the 189 x 189 picture.
    forms::Picture picture = d.app.loadPicture(path);
    EXPECT_EQ(picture.width(), 189);
    EXPECT_EQ(picture.height(), 189);

    // The application saves a changed picture: the next activation opens that same file and the
    // container holds the change.
    const std::vector<std::uint8_t> edited = movelle::Form5::whiteBitmap(10, 12);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(edited.data()),
                                                 static_cast<std::streamsize>(edited.size()));
    drawing.OLE1.activate();
    ASSERT_EQ(d.desktop.opened.size(), 2u);
    EXPECT_EQ(d.desktop.opened[1], path);
    EXPECT_EQ(drawing.OLE1.data(), edited);

    // The change lasts only while the window exists.
    drawing.frameClosed();
    EXPECT_FALSE(std::filesystem::exists(path));
    movelle::Form5& fresh = d.app.Form5();
    EXPECT_EQ(fresh.OLE1.data(), movelle::Form5::whiteBitmap(189, 189));
}

TEST(Drawing, AClassOrFileWithoutAnApplicationIsReportedByName)
{
    Drawing d;
    movelle::Form5& drawing = d.app.Form5();
    drawing.OLE2.activate();
    EXPECT_TRUE(d.desktop.opened.empty());
    ASSERT_EQ(d.desktop.errors.size(), 1u);
    EXPECT_EQ(d.desktop.errors[0], "The object OLE2 (C3D.Document) cannot be opened: no application on this system is "
                                   "registered for C3D.Document.");

    d.desktop.answer = false;
    drawing.OLE1.activate();
    ASSERT_EQ(d.desktop.errors.size(), 2u);
    EXPECT_NE(d.desktop.errors[1].find("the desktop has no application for " + drawing.OLE1.workingFile()),
              std::string::npos);
    // The window and its objects are untouched by either failure.
    EXPECT_EQ(drawing.OLE1.data(), movelle::Form5::whiteBitmap(189, 189));
    EXPECT_EQ(drawing.OLE2.data().size(), 1836u);
}

TEST(Drawing, AWorkingFileThatCannotBeCreatedIsReportedWithItsCause)
{
    // Not even the superuser can create files in /proc.
    Drawing d;
    activateWithTemporaryDirectory(d, "/proc");

    EXPECT_TRUE(d.desktop.opened.empty());
    ASSERT_EQ(d.desktop.errors.size(), 1u);
    EXPECT_NE(d.desktop.errors[0].find("The object OLE1 (Paint.Picture) cannot be opened: its file /proc/movelle-OLE1-"),
              std::string::npos)
        << d.desktop.errors[0];
    EXPECT_NE(d.desktop.errors[0].find("cannot be created ("), std::string::npos) << d.desktop.errors[0];
    EXPECT_TRUE(d.app.Form5().OLE1.workingFile().empty());
}

TEST(Drawing, ATemporaryDirectorySettingThatNamesNoDirectoryFallsBackToTmp)
{
    Drawing d;
    activateWithTemporaryDirectory(d, "/nonexistent/movelle");

    ASSERT_EQ(d.desktop.opened.size(), 1u) << (d.desktop.errors.empty() ? "" : d.desktop.errors[0]);
    EXPECT_EQ(std::filesystem::path(d.desktop.opened[0]).parent_path(), "/tmp");
}

}
