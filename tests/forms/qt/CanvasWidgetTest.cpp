// SPDX-License-Identifier: MIT
// What the main window's canvas puts on screen for stacked and stretched frame pictures, read
// back from the window's pixels after the event loop has painted the changes.
#include "Widgets.h"

#include "forms/qt/Canvas.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/Twips.h"
#include "shell/Form1.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using testing_support::settingsFinished;
using testing_support::Shown;

// Image1(0) stands at Left 3960, Top 120 twips: this pixel of the canvas.
constexpr QPoint kFrameCorner(264, 8);

std::string name(const QColor& colour)
{
    return colour.name().toStdString();
}

forms::Picture picture(const QImage& image)
{
    return forms::Picture(std::make_shared<forms::qt::QtPicture>(image));
}

forms::Picture solid(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return picture(image);
}

// Left half red, right half blue, so scaling and cropping tell apart.
forms::Picture halves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    return picture(image);
}

class CanvasPixels : public ::testing::Test {
protected:
    CanvasPixels()
        : f(s.app.Form1())
    {
        f.show();
        view = &s.view(f);
    }

    // "Settings finished" for `frames` frames: all of them visible, stacked on frame 0.
    void build(int frames)
    {
        settingsFinished(f, std::to_string(frames), "40");
    }

    // The canvas as the window shows it once the event loop has painted what was due.
    QImage screen()
    {
        s.view(f);
        const QImage window = QGuiApplication::primaryScreen()->grabWindow(view->winId()).toImage();
        const QPoint origin = view->canvas()->mapTo(view, QPoint(0, 0));
        return window.copy(QRect(origin, view->canvas()->size()));
    }

    // The colour, as "#rrggbb", at a point given from the frame pictures' top-left corner.
    static std::string at(const QImage& canvas, int x, int y) { return pixel(canvas, kFrameCorner + QPoint(x, y)); }
    static std::string pixel(const QImage& canvas, QPoint p) { return canvas.pixelColor(p).name().toStdString(); }

    std::string background() const { return name(view->canvas()->palette().color(QPalette::Window)); }

    Shown s;
    movelle::Form1& f;
    forms::qt::WindowView* view = nullptr;
};

// The opaque "millisec/pic" label reaches 15 twips past the Settings box's right edge (x = 3600,
// pixel 240); the edge is drawn over it, so its dashes run on beside the label's rows too.
TEST_F(CanvasPixels, TheSettingsBoxRightEdgeStaysWholeBesideItsLabel)
{
    const QImage canvas = screen();
    const std::string ground = background();
    int drawn = 0;
    for (int y = 1440 / 15; y < (1440 + 375) / 15; ++y)
        drawn += pixel(canvas, QPoint(3600 / 15, y)) != ground;
    EXPECT_GT(drawn, 5) << "the label hides the box's edge";
}

TEST_F(CanvasPixels, TheTopmostVisibleFrameIsWhatShows)
{
    build(3);
    f.characterTyped('a');   // no border, so the pictures' edge pixels are their own
    f.Image1(0).setPicture(solid(60, 40, Qt::red));
    f.Image1(1).setPicture(solid(60, 40, Qt::green));
    f.Image1(2).setPicture(solid(60, 40, Qt::blue));
    EXPECT_EQ(at(screen(), 30, 20), name(Qt::blue));

    // Each frame in turn, through the frame buttons and the playback ticks.
    f.Command1(1).click();
    EXPECT_EQ(at(screen(), 30, 20), name(Qt::green));
    f.Command1(0).click();
    EXPECT_EQ(at(screen(), 30, 20), name(Qt::red));
    f.Command5.click();
    const QColor shown[] = { Qt::red, Qt::green, Qt::blue, Qt::red };
    for (const QColor& colour : shown) {
        s.clock.advance(40);
        const QImage canvas = screen();
        // The whole picture is repainted, its edges too.
        for (const QPoint& p : { QPoint(0, 0), QPoint(30, 20), QPoint(59, 39) })
            EXPECT_EQ(at(canvas, p.x(), p.y()), name(colour));
    }
}

TEST_F(CanvasPixels, ALowerFrameShowsWhereTheOneAboveDoesNotCoverIt)
{
    build(3);
    f.Image1(0).setPicture(solid(80, 60, Qt::red));
    f.Image1(1).setPicture(solid(60, 40, Qt::green));
    // The top picture is smaller and half see-through: the frames below show around it and
    // through it.
    QImage top(40, 20, QImage::Format_ARGB32);
    top.fill(Qt::transparent);
    QPainter(&top).fillRect(0, 0, 20, 20, Qt::blue);
    f.Image1(2).setPicture(picture(top));
    const QImage canvas = screen();
    EXPECT_EQ(at(canvas, 10, 10), name(Qt::blue));
    EXPECT_EQ(at(canvas, 30, 10), name(Qt::green));
    EXPECT_EQ(at(canvas, 50, 30), name(Qt::green));
    EXPECT_EQ(at(canvas, 70, 50), name(Qt::red));
    EXPECT_EQ(at(canvas, 90, 70), background());
}

TEST_F(CanvasPixels, ABorderedEmptyFrameAboveAPictureDrawsItsBorderOverIt)
{
    build(3);
    // Frames 0 and 2 hold no picture; frame 1's picture covers most of their rectangle, so the
    // border of frame 0 shows beside it and that of frame 2 over it. Frame 1 has none.
    f.Image1(1).setBorderStyle(0);
    f.Image1(1).setPicture(solid(200, 150, Qt::green));
    const QImage canvas = screen();
    const std::string border = name(view->canvas()->palette().color(QPalette::WindowText));
    EXPECT_EQ(at(canvas, 0, 0), border);
    EXPECT_EQ(at(canvas, 100, 0), border);
    EXPECT_EQ(at(canvas, 0, 100), border);
    EXPECT_EQ(at(canvas, 272, 224), border);
    EXPECT_EQ(at(canvas, 1, 1), name(Qt::green));
    EXPECT_EQ(at(canvas, 198, 148), name(Qt::green));
    EXPECT_EQ(at(canvas, 220, 170), background());

    // Without frame 1's picture, the bordered empty frame 2 still shows its border over the
    // borderless empty frame 0 at the same place.
    f.Image1(0).setBorderStyle(0);
    f.Image1(1).setVisible(false);
    EXPECT_EQ(at(screen(), 0, 0), border);

    f.characterTyped('a');
    EXPECT_EQ(at(screen(), 0, 0), background());
}

// Pictures that fill their border hide the frames beneath them, border and all: a repaint of the
// top one draws it alone, as if the others were not there.
TEST_F(CanvasPixels, OfStackedPicturesThatFillTheirBorderOnlyTheTopOneIsPainted)
{
    build(4);
    for (int i = 0; i < 4; ++i)
        f.Image1(i).setPicture(solid(60, 40, i == 3 ? Qt::blue : Qt::red));
    // Counted from a screen that shows everything so far, up to the new picture on screen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return at(screen(), 30, 20) == name(Qt::blue); }, 5000));
    const int before = view->canvas()->controlsPainted();
    f.Image1(3).setPicture(solid(60, 40, Qt::green));
    ASSERT_TRUE(QTest::qWaitFor([&] { return at(screen(), 30, 20) == name(Qt::green); }, 5000));
    EXPECT_EQ(view->canvas()->controlsPainted() - before, 1);
}

// The keys are typed on the canvas itself, as the user does with no box focused.
TEST_F(CanvasPixels, StretchedPicturesAreDrawnAtTheirNewSizeAndBackspaceGivesTheOwnSize)
{
    build(2);
    view->canvas()->setFocus();
    QTest::keyClicks(view->canvas(), "a");   // no border, so the picture's edge pixels are its own
    f.Image1(0).setPicture(solid(40, 30, Qt::green));
    f.Image1(1).setPicture(halves(40, 30));

    struct Step {
        Qt::Key key;
        int width;   // pixels the picture now spans
    };
    // Own size, twice as large, back, half, then the own size again.
    const Step steps[] = { { Qt::Key_unknown, 40 }, { Qt::Key_Equal, 80 }, { Qt::Key_Minus, 40 },
                           { Qt::Key_Minus, 20 }, { Qt::Key_Backspace, 40 } };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        if (step.key != Qt::Key_unknown)
            QTest::keyClick(view->canvas(), step.key);
        EXPECT_EQ(f.Image1(1).stretch(), step.key == Qt::Key_Equal || step.key == Qt::Key_Minus);
        const QImage canvas = screen();
        const int w = step.width;
        const int h = w * 3 / 4;
        EXPECT_EQ(forms::qt::pixelRect(f.Image1(1)), QRect(kFrameCorner, QSize(w, h)));
        // Both halves scaled with the picture, right up to its new edges, and nothing past them.
        EXPECT_EQ(at(canvas, 0, 0), name(Qt::red));
        EXPECT_EQ(at(canvas, w / 2 - 1, h - 1), name(Qt::red));
        EXPECT_EQ(at(canvas, w / 2, 0), name(Qt::blue));
        EXPECT_EQ(at(canvas, w - 1, h - 1), name(Qt::blue));
        EXPECT_EQ(at(canvas, w, h / 2), background());
        EXPECT_EQ(at(canvas, w / 2, h), background());
    }
}

TEST_F(CanvasPixels, APictureStretchedFarPastTheWindowShowsItsTopLeftPartOnTop)
{
    build(3);
    f.characterTyped('a');
    f.Image1(0).setPicture(solid(1920, 1080, Qt::red));
    f.Image1(1).setPicture(solid(1920, 1080, Qt::green));
    f.Image1(2).setPicture(halves(1920, 1080));
    for (int i = 0; i < 5; ++i)
        f.characterTyped('=');
    // Thirty-two times 1920 pixels wide: only the red left half can be seen.
    const QImage canvas = screen();
    EXPECT_EQ(at(canvas, 0, 0), name(Qt::red));
    EXPECT_EQ(pixel(canvas, QPoint(canvas.width() - 1, canvas.height() - 1)), name(Qt::red));

    f.Command1(1).click();
    EXPECT_EQ(at(screen(), 100, 100), name(Qt::green));
    // The picture-only view moves them to the corner, Left and Top 100 twips.
    f.characterTyped('o');
    const QImage moved = screen();
    EXPECT_EQ(pixel(moved, QPoint(7, 7)), name(Qt::green));
    EXPECT_EQ(pixel(moved, QPoint(6, 6)), background());
}

}
