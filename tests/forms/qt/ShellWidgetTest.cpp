// SPDX-License-Identifier: MIT
#include "MessageBoxWatcher.h"
#include "Widgets.h"

#include "dialogs/Form2.h"
#include "dialogs/Form3.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/Twips.h"

#include "shell/About.h"
#include "shell/Form1.h"
#include "shell/Form5.h"
#include "shell/Form6.h"
#include "shell/frmLogin.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using testing_support::Shown;

QLineEdit* passwordBox(Shown& s)
{
    movelle::frmLogin& login = s.app.frmLogin();
    return dynamic_cast<QLineEdit*>(s.view(login).widgetFor(login.txtPassword));
}

TEST(ShellWidgets, TheRightPasswordTypedIntoTheRealBoxAndEnterOpenTheMainWindow)
{
    Shown s;
    s.app.start();
    QLineEdit* box = passwordBox(s);
    ASSERT_TRUE(box);
    // The password box has the focus when the window opens.
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClicks(box, "harbor");
    EXPECT_EQ(s.app.frmLogin().txtPassword.text(), "harbor");
    EXPECT_EQ(box->displayText(), QStringLiteral("******"));
    EXPECT_FALSE(box->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(box->inputMethodHints().testFlag(Qt::ImhHiddenText));

    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(s.app.frmLogin().LoginSucceeded);
    ASSERT_NE(s.app.existing("Form1"), nullptr);
    EXPECT_TRUE(s.view(s.app.Form1()).isVisible());
    EXPECT_FALSE(s.screen.viewOf(s.app.frmLogin())->isVisible());
}

TEST(ShellWidgets, AWrongPasswordIsAnsweredAndLeftSelectedSoTypingReplacesIt)
{
    Shown s;
    s.app.start();
    QLineEdit* box = passwordBox(s);
    ASSERT_TRUE(box);
    box->setFocus();
    QTest::keyClicks(box, "Harbor");
    testing_support::MessageBoxWatcher closer;
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(closer.text, QStringLiteral("Invalid Password, try again!"));
    EXPECT_EQ(closer.count, 1);
    EXPECT_EQ(box->selectedText(), QStringLiteral("Harbor"));
    EXPECT_EQ(box->cursorPosition(), 0);

    QTest::keyClicks(box, "HARBOR");
    EXPECT_EQ(s.app.frmLogin().txtPassword.text(), "HARBOR");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(s.app.frmLogin().LoginSucceeded);
    EXPECT_EQ(closer.count, 1);
}

TEST(ShellWidgets, AltPFocusesThePasswordBoxAndEscapeEndsTheProgram)
{
    Shown s;
    s.app.start();
    movelle::frmLogin& login = s.app.frmLogin();
    QLineEdit* box = passwordBox(s);
    auto* cancel = dynamic_cast<QPushButton*>(s.view(login).widgetFor(login.cmdCancel));
    ASSERT_TRUE(box && cancel);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(login.txtPassword.text(), "");
    EXPECT_FALSE(s.app.ended());

    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(s.app.ended());
    EXPECT_EQ(s.app.existing("Form1"), nullptr);
}

TEST(ShellWidgets, ProgramInformationIsFramelessOutOfTheTaskbarAndCentred)
{
    Shown s;
    movelle::Form6& info = s.app.Form6();
    info.show();
    forms::qt::WindowView& view = s.view(info);
    EXPECT_TRUE(view.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(view.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((view.frameGeometry().center() - screen.center()).manhattanLength(), 2);

    auto* ok = dynamic_cast<QPushButton*>(view.widgetFor(info.Command1));
    ASSERT_TRUE(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(s.view(s.app.Form1()).isVisible());
}

// Window managers keep a window above the one it is transient for (a maximized main window too)
// and place it over it.
TEST(ShellWidgets, SecondaryWindowsAndDialogsBelongToTheMainWindow)
{
    Shown s;
    movelle::Form1& main = s.app.Form1();
    main.show();
    forms::qt::WindowView& mainView = s.view(main);
    EXPECT_EQ(mainView.windowHandle()->transientParent(), nullptr);
    for (forms::Window* window : std::initializer_list<forms::Window*> { &s.app.Form6(), &s.app.About(), &s.app.Form2() }) {
        window->show();
        forms::qt::WindowView& view = s.view(*window);
        ASSERT_TRUE(view.windowHandle()) << window->name();
        EXPECT_EQ(view.windowHandle()->transientParent(), mainView.windowHandle()) << window->name();
    }
    // Load Frame goes where the window system chooses: over the main window, not in a corner.
    const QRect loadFrame = s.view(s.app.Form2()).frameGeometry();
    EXPECT_LE((loadFrame.center() - mainView.frameGeometry().center()).manhattanLength(), 4);
    // Over a main window in the screen's corner, it is kept on the screen, against both edges.
    mainView.showNormal();
    const QRect area = mainView.screen()->availableGeometry();
    mainView.move(area.right() - 60, area.bottom() - 60);
    s.app.Form3().show();
    EXPECT_EQ(s.view(s.app.Form3()).frameGeometry().bottomRight(), area.bottomRight());
}

TEST(ShellWidgets, TheLoginWindowAsksForNoMinimizeOrMaximizeAndCannotBeLostMinimized)
{
    Shown s;
    s.app.start();
    forms::qt::WindowView& view = s.view(s.app.frmLogin());
    const Qt::WindowFlags flags = view.windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) << flags;
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::WindowCloseButtonHint)) << flags;
    EXPECT_EQ(view.minimumSize(), view.maximumSize());

    // Out of the taskbar, a minimized login would be lost: it comes back at once.
    view.showMinimized();
    s.view(s.app.frmLogin());
    EXPECT_FALSE(view.isMinimized());
    EXPECT_TRUE(view.isVisible());
}

TEST(ShellWidgets, ButtonsKeepTheirOwnLookOnAWindowOfItsOwnColour)
{
    Shown s;
    movelle::Form6& info = s.app.Form6();
    info.show();
    forms::qt::WindowView& view = s.view(info);
    QWidget* ok = view.widgetFor(info.Command1);
    ASSERT_TRUE(ok);
    // The black of the picture window is not the button's: its outline would vanish in it.
    for (QPalette::ColorRole role : { QPalette::Window, QPalette::Button, QPalette::Dark, QPalette::Shadow })
        EXPECT_EQ(ok->palette().color(role), QApplication::palette(ok).color(role)) << role;
    // The window itself is black where its picture leaves room.
    const QImage shot = view.canvas()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(Qt::black));
}

TEST(ShellWidgets, TheAboutPictureIsDrawnInsideItsBorder)
{
    Shown s;
    movelle::About& about = s.app.About();
    about.show();
    forms::qt::WindowView& view = s.view(about);
    const QImage shot = view.canvas()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage ship = QImage(QStringLiteral(":/pictures/ship.png")).convertToFormat(QImage::Format_ARGB32);
    const QRect box = forms::qt::pixelRect(about.Image1);
    ASSERT_EQ(box, QRect(256, 8, 45, 46));
    // The border takes the outermost ring of pixels; the whole picture lies within it.
    const QColor border = shot.pixelColor(box.topLeft());
    for (int x = box.left(); x <= box.right(); ++x)
        EXPECT_EQ(shot.pixelColor(x, box.top()), border) << x;
    int compared = 0;
    for (int y = 0; y < ship.height(); ++y) {
        for (int x = 0; x < ship.width(); ++x) {
            if (qAlpha(ship.pixel(x, y)) != 255)
                continue;
            ++compared;
            EXPECT_EQ(shot.pixel(box.left() + 1 + x, box.top() + 1 + y), ship.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(compared, 0);
}

TEST(ShellWidgets, DoubleClickingAnEmbeddedObjectActivatesIt)
{
    Shown s;
    movelle::Form5& drawing = s.app.Form5();
    int activated = 0;
    drawing.OLE1.onActivate = [&activated] { ++activated; };
    drawing.show();
    forms::qt::WindowView& view = s.view(drawing);
    QWidget* ole = view.widgetFor(drawing.OLE1);
    ASSERT_TRUE(ole);
    EXPECT_EQ(ole->geometry(), QRect(16, 8, 113, 73));
    QTest::mouseDClick(ole, Qt::LeftButton);
    EXPECT_EQ(activated, 1);
    QTest::mouseDClick(ole, Qt::RightButton);
    EXPECT_EQ(activated, 1);
}

}
