// SPDX-License-Identifier: MIT
#include "Widgets.h"

#include "forms/qt/Canvas.h"
#include "shell/Form1.h"

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using testing_support::Shown;

QLineEdit* edit(forms::qt::WindowView& view, const forms::Control& c)
{
    return dynamic_cast<QLineEdit*>(view.widgetFor(c));
}

QPushButton* button(forms::qt::WindowView& view, const forms::Control& c)
{
    return dynamic_cast<QPushButton*>(view.widgetFor(c));
}

TEST(MainWindowWidgets, TypingAndClickingTheRealWidgetsBuildsTheFrameButtons)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);

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

TEST(MainWindowWidgets, KeyPreviewRunsTheKeyHandlerBeforeTheTextBox)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);
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

TEST(MainWindowWidgets, MenusCarryTheirCaptionsShortcutsAndFixedCheckMarks)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);

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

    view.actionFor(f.fe)->trigger();
    EXPECT_TRUE(s.app.ended());
}

TEST(MainWindowWidgets, OnlyFrameButtonsInsideTheClientAreaGetWidgets)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);
    view.resize(640, 480);
    f.Text1.setText("2000");
    f.Text2.setText("10");
    f.Command4.click();
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

TEST(MainWindowWidgets, ClosingTheMainWindowEndsTheProgram)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);
    view.close();
    EXPECT_TRUE(s.app.ended());
}

}
