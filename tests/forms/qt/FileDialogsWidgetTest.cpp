// SPDX-License-Identifier: MIT
#include "MessageBoxWatcher.h"
#include "Widgets.h"

#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "shell/Form1.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>


namespace {

using testing_support::button;
using testing_support::edit;
using testing_support::Shown;
using testing_support::TempDir;

void replaceText(QLineEdit* line, const QString& text)
{
    line->setFocus();
    line->selectAll();
    QTest::keyClicks(line, text);
}

TEST(FileDialogsWidgets, SaveThenOpenThroughTheRealWidgets)
{
    Shown s;
    TempDir dir;
    const std::string red = writePicture(dir, "red.bmp", 4, 3, 0xff0000);
    const std::string green = writePicture(dir, "green.bmp", 6, 5, 0x00ff00);

    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& main = s.view(f);
    QTest::keyClicks(edit(main, f.Text1), "2");
    QTest::keyClicks(edit(main, f.Text2), "120");
    QTest::mouseClick(button(main, f.Command4), Qt::LeftButton);
    ASSERT_EQ(f.Image1.count(), 2);
    // What the Load Frame dialog puts into a frame.
    f.Image1(0).setPicture(s.app.loadPicture(red));
    f.x(0).setCaption(red);
    f.Image1(1).setPicture(s.app.loadPicture(green));
    f.x(1).setCaption(green);

    // Save through the toolbar's disk button.
    QTest::mouseClick(button(main, f.Command12), Qt::LeftButton);
    movelle::Form3& saveDialog = s.app.Form3();
    forms::qt::WindowView& save = s.view(saveDialog);
    EXPECT_TRUE(save.isVisible());
    // Cancel is first in the tab order, so it has the focus.
    EXPECT_EQ(save.focusWidget(), button(save, saveDialog.Command2));
    EXPECT_FALSE(save.widgetFor(saveDialog.File1)->isEnabled());
    saveDialog.Dir1.open(dir.str());
    replaceText(edit(save, saveDialog.Text1), "anim");
    // An error's message box is closed at once and counted, so a failing step fails the test
    // instead of waiting for a person.
    testing_support::MessageBoxWatcher errors;
    QTest::mouseClick(button(save, saveDialog.Command1), Qt::LeftButton);
    ASSERT_EQ(errors.count, 0) << errors.text.toStdString();
    s.view(f);
    EXPECT_FALSE(save.isVisible());
    EXPECT_EQ(testing_support::readBytes(dir.file("anim.ani")), "2\r\n120\r\n" + red + "\r\n" + green + "\r\n");

    // "&New", then open it again through the folder button.
    main.actionFor(f.fn)->trigger();
    ASSERT_EQ(f.Image1.count(), 1);
    QTest::mouseClick(button(main, f.Command13), Qt::LeftButton);
    movelle::Form4& openDialog = s.app.Form4();
    forms::qt::WindowView& open = s.view(openDialog);
    // The name box is first in the tab order, so it has the focus.
    EXPECT_EQ(open.focusWidget(), edit(open, openDialog.Text1));
    openDialog.Dir1.open(dir.str());
    openDialog.File1.select("anim.ani");
    s.view(openDialog);
    EXPECT_EQ(edit(open, openDialog.Text1)->text(), "anim.ani");
    QTest::mouseClick(button(open, openDialog.Command1), Qt::LeftButton);
    ASSERT_EQ(errors.count, 0) << errors.text.toStdString();
    s.view(f);

    EXPECT_FALSE(open.isVisible());
    EXPECT_EQ(f.state.caption(), "open");
    EXPECT_EQ(f.Timer1.interval(), 120);
    EXPECT_EQ(edit(main, f.Text2)->text(), "120");
    QPushButton* second = button(main, f.Command1(1));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text(), "2");
    EXPECT_TRUE(second->isEnabled());
    EXPECT_EQ(f.Image1(1).picture().width(), 6);
}

}
