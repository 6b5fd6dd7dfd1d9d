// SPDX-License-Identifier: MIT
#include "Widgets.h"

#include "dialogs/Form2.h"
#include "shell/Form1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::Shown;
using testing_support::TempDir;

template<typename W>
W* widget(forms::qt::WindowView& view, const forms::Control& c)
{
    return dynamic_cast<W*>(view.widgetFor(c));
}

QListWidgetItem* itemFor(QListWidget* list, const std::string& data)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toByteArray().toStdString() == data)
            return list->item(row);
    }
    return nullptr;
}

void clickItem(QListWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

TEST(LoadFrameWidgets, APictureChosenThroughTheRealWidgetsGoesIntoTheFrame)
{
    Shown s;
    TempDir tmp;
    writePicture(tmp, "a.bmp", 20, 10, 0xff0000);
    writePicture(tmp, "b.bmp", 30, 10, 0x00ff00);
    tmp.writeFile("c.bmp", "not yet a picture");
    tmp.writeFile("d.gif", "GIF89a");

    // Two frames, frame 2 chosen, and "Load Pic." pressed.
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& main = s.view(f);
    f.Text1.setText("2");
    f.Text2.setText("100");
    QTest::mouseClick(widget<QPushButton>(main, f.Command4), Qt::LeftButton);
    s.view(f);
    QTest::mouseClick(widget<QPushButton>(main, f.Command1(1)), Qt::LeftButton);
    QTest::mouseClick(widget<QPushButton>(main, f.Command3), Qt::LeftButton);
    movelle::Form2& d = s.app.Form2();
    forms::qt::WindowView& view = s.view(d);
    ASSERT_TRUE(view.isVisible());

    // Down from the root to the pictures: a double-click, then Enter on each level.
    auto* dirs = widget<QListWidget>(view, d.Dir1);
    ASSERT_TRUE(dirs);
    const QPoint root = dirs->visualItemRect(itemFor(dirs, "/")).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, root);   // a real double-click starts with a press
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, root);
    std::filesystem::path level = "/";
    for (const std::filesystem::path& part : tmp.path().relative_path()) {
        level /= part;
        QListWidgetItem* next = itemFor(dirs, level.string());
        ASSERT_TRUE(next) << level;
        dirs->setCurrentItem(next);
        QTest::keyClick(dirs, Qt::Key_Return);
    }
    EXPECT_EQ(d.File1.path(), tmp.str());
    EXPECT_EQ(d.Label3.caption(), "1");
    EXPECT_EQ(dirs->item(0)->data(Qt::UserRole).toByteArray(), "/");
    EXPECT_EQ(dirs->currentItem(), itemFor(dirs, tmp.str()));
    auto* files = widget<QListWidget>(view, d.File1);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->count(), 4);

    // Typing filters, exactly as typed; picking from the drop-down does not.
    auto* combo = widget<QComboBox>(view, d.Combo1);
    ASSERT_TRUE(combo);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "*.b");
    EXPECT_EQ(combo->currentText(), "*.b");
    QTest::keyClicks(combo->lineEdit(), "mp");
    EXPECT_EQ(d.File1.pattern(), "*.bmp");
    EXPECT_EQ(files->count(), 3);
    combo->showPopup();
    QAbstractItemView* popup = combo->view();
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(popup->model()->index(7, 0)).center());
    EXPECT_EQ(d.Combo1.text(), "*.*");
    EXPECT_EQ(d.File1.pattern(), "*.bmp");

    // Taking the focus selects nothing; a click or an arrow key previews.
    files->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(files->hasFocus());
    EXPECT_EQ(d.File1.fileName(), "");
    clickItem(files, 0);
    EXPECT_EQ(d.Image1.picture().width(), 20);
    QTest::keyClick(files, Qt::Key_Down);
    EXPECT_EQ(d.Image1.picture().width(), 30);

    // Not a picture yet: the preview stays. Once it is one, clicking it again previews it.
    clickItem(files, 2);
    EXPECT_EQ(d.File1.fileName(), "c.bmp");
    EXPECT_EQ(d.Image1.picture().width(), 30);
    writePicture(tmp, "c.bmp", 40, 10, 0x0000ff);
    clickItem(files, 2);
    EXPECT_EQ(d.Image1.picture().width(), 40);

    QTest::mouseClick(widget<QPushButton>(view, d.Command1), Qt::LeftButton);
    EXPECT_TRUE(f.Image1(1).picture() == d.Image1.picture());
    EXPECT_EQ(f.x(1).caption(), tmp.str() + "/c.bmp");
    EXPECT_FALSE(view.isVisible());
}

}
