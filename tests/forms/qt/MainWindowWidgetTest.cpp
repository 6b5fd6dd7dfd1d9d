// SPDX-License-Identifier: MIT
#include "MessageBoxWatcher.h"
#include "Widgets.h"

#include "forms/qt/Canvas.h"
#include "forms/qt/Twips.h"
#include "shell/Form1.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenuBar>
#include <QScreen>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

using testing_support::settingsFinished;
using testing_support::button;
using testing_support::edit;
using testing_support::Shown;

// The main window, shown, and its view with the widgets up to date.
class MainWindowWidgets : public ::testing::Test {
protected:
    Shown s;
    movelle::Form1& f = s.app.Form1();
    forms::qt::WindowView& view = (f.show(), s.view(f));
};

TEST_F(MainWindowWidgets, TypingAndClickingTheRealWidgetsBuildsTheFrameButtons)
{

    QLineEdit* count = edit(view, f.Text1);
    QLineEdit* rate = edit(view, f.Text2);
    ASSERT_TRUE(count && rate);
    QTest::keyClicks(count, "10");
    QTest::keyClicks(rate, "100");
    EXPECT_EQ(f.Text1.text(), "10");
    EXPECT_EQ(f.Text2.text(), "100");

    QPushButton* settings = button(view, f.Command4);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->text(), "Settings finished");
    // Twips become pixels at 15 to one.
    EXPECT_EQ(settings->geometry(), QRect(112, 136, 105, 17));
    QTest::mouseClick(settings, Qt::LeftButton);
    s.view(f);

    ASSERT_EQ(f.Command1.count(), 10);
    QPushButton* nine = button(view, f.Command1(8));
    QPushButton* ten = button(view, f.Command1(9));
    ASSERT_TRUE(nine && ten);
    EXPECT_EQ(nine->text(), "9");
    EXPECT_EQ(nine->geometry().topLeft(), QPoint(272, 281));
    EXPECT_EQ(ten->geometry().topLeft(), QPoint(305, 281));
    EXPECT_TRUE(button(view, f.Command5)->isEnabled());
    EXPECT_EQ(f.Timer1.interval(), 100);
}

TEST_F(MainWindowWidgets, KeyPreviewRunsTheKeyHandlerBeforeTheTextBox)
{
    f.Text1.setText("1");
    f.Image1(0).setGeometry(3960, 120, 4000, 3000);

    QLineEdit* rate = edit(view, f.Text2);
    rate->setFocus();
    QTest::keyClicks(rate, "-");
    // The handler halved the picture, and the box still got its minus sign.
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 2000);
    EXPECT_EQ(f.Text2.text(), "-");
    EXPECT_EQ(rate->text(), "-");

    // Backspace in Text1 acts on the count before the deletion.
    f.Text1.setText("");
    QLineEdit* count = edit(view, f.Text1);
    count->setFocus();
    QTest::keyClicks(count, "1");
    f.Image1(0).setStretch(true);
    QTest::keyClick(count, Qt::Key_Backspace);
    EXPECT_FALSE(f.Image1(0).stretch());
    EXPECT_EQ(f.Text1.text(), "");
}

TEST_F(MainWindowWidgets, MenusCarryTheirCaptionsShortcutsAndFixedCheckMarks)
{

    QAction* newItem = view.actionFor(f.fn);
    ASSERT_TRUE(newItem);
    EXPECT_EQ(newItem->text(), QStringLiteral("&New") + QString(16, QLatin1Char(' ')));
    EXPECT_EQ(newItem->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(view.actionFor(f.fe)->shortcut(), QKeySequence(Qt::Key_F1));

    QAction* toolbar = view.actionFor(f.ot);
    EXPECT_TRUE(toolbar->isChecked());
    toolbar->trigger();
    EXPECT_TRUE(toolbar->isChecked());

    view.actionFor(f.vp)->trigger();
    EXPECT_TRUE(f.Timer1.enabled());
    view.actionFor(f.vs)->trigger();
    EXPECT_FALSE(f.Timer1.enabled());

    // The toolbar's picture buttons carry their menu twins' words as tooltips.
    for (const forms::CommandButton* button : { &f.Command9, &f.Command10, &f.Command11, &f.Command12, &f.Command13,
                                                &f.Command14 }) {
        QWidget* widget = view.widgetFor(*button);
        ASSERT_TRUE(widget);
        EXPECT_FALSE(widget->toolTip().isEmpty()) << button->name();
        EXPECT_EQ(widget->toolTip(), widget->accessibleName()) << button->name();
    }
    EXPECT_EQ(view.widgetFor(f.Command9)->toolTip(), QStringLiteral("Start Animation"));

    view.actionFor(f.fe)->trigger();
    EXPECT_TRUE(s.app.ended());
}

TEST_F(MainWindowWidgets, OnlyFrameButtonsInsideTheClientAreaGetWidgets)
{
    view.resize(640, 480);
    settingsFinished(f, "2000", "10");
    s.view(f);
    ASSERT_EQ(f.Command1.count(), 2000);
    EXPECT_NE(view.widgetFor(f.Command1(0)), nullptr);
    EXPECT_EQ(view.widgetFor(f.Command1(1999)), nullptr);
    int widgets = 0;
    for (int i = 0; i < 2000; ++i)
        widgets += view.widgetFor(f.Command1(i)) != nullptr;
    EXPECT_LT(widgets, 400);

    // The frame buttons that the window grows to show get their widgets then.
    view.resize(640, 4000);
    s.view(f);
    EXPECT_NE(view.widgetFor(f.Command1(1000)), nullptr);
}

// Where a key the user types goes: the focused widget, or the window when no widget has it.
QWidget* keyTarget(forms::qt::WindowView& view)
{
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : &view;
}

void typeKeys(forms::qt::WindowView& view, const char* keys)
{
    for (const char* k = keys; *k; ++k)
        QTest::keyClicks(keyTarget(view), QString(QLatin1Char(*k)));
}

TEST_F(MainWindowWidgets, AFocusedBoxHiddenByTheKeysGetsNoMoreKeys)
{
    f.Text1.setText("1");
    f.Image1(0).setGeometry(3960, 120, 4000, 3000);
    QLineEdit* rate = edit(view, f.Text2);
    rate->setFocus();
    QTest::keyClicks(rate, "100");

    // "o" hides the box that has the focus; what is typed next only runs the key commands.
    typeKeys(view, "o=-");
    EXPECT_FALSE(rate->hasFocus());
    EXPECT_EQ(f.Text2.text(), "100");
    EXPECT_EQ(rate->text(), "100");
    EXPECT_FLOAT_EQ(f.Image1(0).width(), 4000);
    typeKeys(view, "p");
    EXPECT_TRUE(f.Text2.visible());
    EXPECT_EQ(f.Text2.text(), "100");

    // Disabled while it has the focus: the focus goes on to the next box in tab order.
    QLineEdit* count = edit(view, f.Text1);
    count->setFocus();
    f.Text1.setEnabled(false);
    s.view(f);
    EXPECT_TRUE(rate->hasFocus());
    EXPECT_EQ(f.focusControl(), &f.Text2);
}

TEST_F(MainWindowWidgets, AltWithALetterThatIsNoAccessKeyTypesNothing)
{
    QLineEdit* count = edit(view, f.Text1);
    count->setFocus();
    using Held = Qt::KeyboardModifiers;
    for (Held held : { Held(Qt::AltModifier), Held(Qt::ControlModifier), Qt::AltModifier | Qt::ShiftModifier }) {
        QTest::keyClick(count, Qt::Key_O, held);
        QTest::keyClick(count, Qt::Key_Minus, held);
    }
    // Neither the picture-only view nor a letter in the box.
    EXPECT_TRUE(f.Command2.visible());
    EXPECT_EQ(f.Text1.text(), "");
    EXPECT_EQ(count->text(), "");
    // The plain letter still does both.
    QTest::keyClick(count, Qt::Key_O);
    EXPECT_FALSE(f.Command2.visible());
}

TEST_F(MainWindowWidgets, APathLabelHidesThePathLabelBelowIt)
{
    const QImage before = view.canvas()->grab().toImage();
    f.Text1.setText("2");
    f.Command4.click();
    ASSERT_EQ(f.x.count(), 2);
    f.x(0).setCaption("/pictures/WWWWWWWW.bmp");
    f.x(1).setCaption("");
    s.view(f);
    // The empty label on top covers the first one in the window's colour: nothing of it shows.
    const QImage after = view.canvas()->grab().toImage();
    const QRect label = forms::qt::pixelRect(f.x(0));
    const QColor ground = view.canvas()->palette().color(QPalette::Window);
    int differing = 0;
    // The frame picture's border runs down the label's last column.
    const int right = std::min(label.right(), forms::qt::pixelRect(f.Image1(0)).left() - 1);
    for (int y = label.top(); y <= label.bottom(); ++y) {
        for (int x = label.left(); x <= right; ++x)
            differing += after.pixelColor(x, y) != ground;
    }
    EXPECT_EQ(differing, 0);
    // With a caption of its own, the top label shows that instead.
    f.x(1).setCaption("/b.bmp");
    s.view(f);
    const QImage shown = view.canvas()->grab().toImage();
    EXPECT_NE(shown.copy(label), after.copy(label));
    EXPECT_NE(before.copy(label), shown.copy(label));
}

TEST_F(MainWindowWidgets, RestoredFromMaximizedTheWindowHasItsDesignSizeOnTheScreen)
{
    ASSERT_TRUE(view.isMaximized());
    view.showNormal();
    s.view(f);
    // 5055 x 4980 twips under the menu bar.
    EXPECT_EQ(view.canvas()->size(), QSize(337, 332));
    const QRect area = view.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(view.frameGeometry())) << view.frameGeometry().x() << "," << view.frameGeometry().y();
    view.showMaximized();
    s.view(f);
    EXPECT_GT(view.canvas()->width(), 337);

    // A size the user gives it later is the one it comes back to.
    view.showNormal();
    view.resize(500, 420);
    s.view(f);
    view.showMaximized();
    view.showNormal();
    s.view(f);
    EXPECT_EQ(view.size(), QSize(500, 420));
}

TEST_F(MainWindowWidgets, AClickElsewhereTakesTheKeyboardOutOfTheMenuBar)
{
    QLineEdit* count = edit(view, f.Text1);
    count->setFocus();
    QMenuBar* bar = view.menuBar();
    // Alt+F opens the Files menu; the arrows walk on to the last entry, which opens none.
    QTest::keyClick(count, Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(QApplication::activePopupWidget());
    for (int step = 0; step < 4; ++step) {
        QWidget* target = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : bar;
        QTest::keyClick(target, Qt::Key_Right);
    }
    ASSERT_EQ(bar->activeAction(), view.actionFor(f.bbh));
    ASSERT_FALSE(QApplication::activePopupWidget());

    QTest::mouseClick(view.canvas(), Qt::LeftButton, {}, QPoint(10, 250));
    EXPECT_EQ(bar->activeAction(), nullptr);
    EXPECT_TRUE(count->hasFocus());
    // Typing goes to the box again, not to the menu bar.
    QTest::keyClicks(QApplication::focusWidget(), "4");
    EXPECT_EQ(f.Text1.text(), "4");

    // While the keyboard is in the menu bar its keys are the menu's: Escape leaves the menu
    // and does not end the program.
    QTest::keyClick(count, Qt::Key_F, Qt::AltModifier);
    // Left from the first menu wraps round to the last entry.
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
    ASSERT_EQ(bar->activeAction(), view.actionFor(f.bbh));
    QTest::keyClick(bar, Qt::Key_Escape);
    EXPECT_FALSE(s.app.ended());
    EXPECT_EQ(bar->activeAction(), nullptr);
    EXPECT_TRUE(count->hasFocus());
}

TEST_F(MainWindowWidgets, ClosingTheMainWindowEndsTheProgramOnceUnsavedWorkIsGivenUp)
{
    f.Text1.setText("2");
    f.Command4.click();
    s.view(f);
    testing_support::MessageBoxWatcher question(QStringLiteral("Cancel"));
    view.close();
    EXPECT_EQ(question.count, 1);
    EXPECT_FALSE(s.app.ended());
    EXPECT_TRUE(view.isVisible());
    question.answer = QStringLiteral("Don't Save");
    view.close();
    EXPECT_EQ(question.count, 2);
    EXPECT_TRUE(s.app.ended());
}

}

namespace {

// The path labels lie on top of each other: a frame button brings its frame's label to the front,
// a long path is drawn shortened in the middle, and the tooltip and the accessible description
// give it whole while the caption keeps it whole.
TEST_F(MainWindowWidgets, TheSelectedFramesPathIsTheOneShownAndALongOneIsShortened)
{
    settingsFinished(f, "3", "100");
    const std::string longPath = "/home/someone/pictures/" + std::string(80, 'd') + "/frame-three.bmp";
    f.x(0).setCaption("/a/1.bmp");
    f.x(1).setCaption("/a/2.bmp");
    f.x(2).setCaption(longPath);
    const QRect label = forms::qt::pixelRect(f.x(0));
    auto shot = [&] {
        s.view(f);
        return view.canvas()->grab(label).toImage();
    };

    f.Command1(1).click();
    const QImage second = shot();
    f.Command1(2).click();
    const QImage third = shot();
    f.Command1(1).click();
    EXPECT_NE(second, third);
    EXPECT_EQ(shot(), second);
    EXPECT_EQ(f.x(2).caption(), longPath);

    auto tooltipAt = [&](QPoint at) {
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, at, view.canvas()->mapToGlobal(at));
        QApplication::sendEvent(view.canvas(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tooltipAt(label.center()), QString());
    f.Command1(2).click();
    s.view(f);
    EXPECT_EQ(tooltipAt(label.center()), QString::fromStdString(longPath));
    EXPECT_NE(f.accessibleText(f.x(2)).description.find(longPath), std::string::npos);
    QToolTip::hideText();
}

}
