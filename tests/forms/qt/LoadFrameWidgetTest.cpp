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

void clickItem(QListWidget* list, QListWidgetItem* item)
{
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

class LoadFrameWidgets : public ::testing::Test {
protected:
    // The main window with two frames, frame 2 chosen, and the dialog opened by "Load Pic.".
    movelle::Form2& openThroughTheMainWindow()
    {
        movelle::Form1& f = s.app.Form1();
        f.show();
        forms::qt::WindowView& main = s.view(f);
        f.Text1.setText("2");
        f.Text2.setText("100");
        QTest::mouseClick(widget<QPushButton>(main, f.Command4), Qt::LeftButton);
        s.view(f);
        QTest::mouseClick(widget<QPushButton>(main, f.Command1(1)), Qt::LeftButton);
        QPushButton* load = widget<QPushButton>(main, f.Command3);
        EXPECT_EQ(load->text(), "Load Pic.");
        QTest::mouseClick(load, Qt::LeftButton);
        return s.app.Form2();
    }

    // Opens `path` in the real directory list, from the root down, as a user would.
    void browseTo(QListWidget* dirs, const std::string& path)
    {
        QListWidgetItem* root = itemFor(dirs, "/");
        ASSERT_TRUE(root);
        // A real double-click starts with a press; the test's double-click event alone has none.
        const QPoint at = dirs->visualItemRect(root).center();
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, at);
        std::string current = "/";
        std::size_t start = 1;
        while (start < path.size()) {
            const std::size_t end = path.find('/', start);
            current = path.substr(0, end);
            QListWidgetItem* next = itemFor(dirs, current);
            ASSERT_TRUE(next) << current;
            dirs->setFocus();
            dirs->setCurrentItem(next);
            QTest::keyClick(dirs, Qt::Key_Return);
            start = end == std::string::npos ? path.size() : end + 1;
        }
    }

    Shown s;
    TempDir tmp;
};

TEST_F(LoadFrameWidgets, AFileChosenInTheRealListsGoesIntoTheFrameThroughOk)
{
    tmp.writePicture("a.bmp", 20, 10, 0xff0000);
    tmp.writePicture("b.bmp", 30, 10, 0x00ff00);
    tmp.writeFile("c.bmp", "not yet a picture");
    movelle::Form2& d = openThroughTheMainWindow();
    ASSERT_TRUE(d.isShown());
    forms::qt::WindowView& view = s.view(d);
    EXPECT_EQ(view.windowTitle(), "Load Frame");
    EXPECT_EQ(d.Label2.caption(), "1");

    auto* dirs = widget<QListWidget>(view, d.Dir1);
    auto* files = widget<QListWidget>(view, d.File1);
    ASSERT_TRUE(dirs && files);
    browseTo(dirs, tmp.str());
    EXPECT_EQ(d.Dir1.path(), tmp.str());
    EXPECT_EQ(d.Label3.caption(), "1");
    // The directory list shows the way down from the root, the open directory current.
    EXPECT_EQ(dirs->item(0)->data(Qt::UserRole).toByteArray(), "/");
    EXPECT_EQ(dirs->currentItem()->data(Qt::UserRole).toByteArray().toStdString(), tmp.str());
    ASSERT_EQ(files->count(), 3);

    // Tabbing into the file list selects nothing.
    files->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(files->hasFocus());
    EXPECT_EQ(d.File1.fileName(), "");
    EXPECT_TRUE(d.Image1.picture().isNull());

    clickItem(files, files->item(0));
    EXPECT_EQ(d.File1.fileName(), "a.bmp");
    EXPECT_EQ(d.Image1.picture().width(), 20);
    QTest::keyClick(files, Qt::Key_Down);
    EXPECT_EQ(d.File1.fileName(), "b.bmp");
    EXPECT_EQ(d.Image1.picture().width(), 30);

    // A file that is not a picture yet keeps the preview; once it is one, clicking it again
    // previews it.
    clickItem(files, files->item(2));
    EXPECT_EQ(d.File1.fileName(), "c.bmp");
    EXPECT_EQ(d.Image1.picture().width(), 30);
    tmp.writePicture("c.bmp", 40, 10, 0x0000ff);
    clickItem(files, files->item(2));
    EXPECT_EQ(d.Image1.picture().width(), 40);

    QPushButton* ok = widget<QPushButton>(view, d.Command1);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->text(), "OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    movelle::Form1& f = s.app.Form1();
    EXPECT_TRUE(f.Image1(1).picture() == d.Image1.picture());
    EXPECT_EQ(f.x(1).caption(), tmp.str() + "/c.bmp");
    EXPECT_FALSE(view.isVisible());
}

TEST_F(LoadFrameWidgets, TypingThePatternFiltersAndPickingFromTheDropDownDoesNot)
{
    tmp.writePicture("a.bmp", 4, 4, 0xff0000);
    tmp.writeFile("b.gif", "GIF89a");
    movelle::Form2& d = openThroughTheMainWindow();
    forms::qt::WindowView& view = s.view(d);
    d.Dir1.setPath(tmp.str());

    auto* combo = widget<QComboBox>(view, d.Combo1);
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->currentText(), "*.bmp");
    ASSERT_EQ(combo->count(), 8);
    EXPECT_EQ(combo->itemText(3), "*.cur");

    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), "*.g");
    // No completion beyond what was typed, neither in the box nor in the pattern.
    EXPECT_EQ(combo->currentText(), "*.g");
    EXPECT_EQ(d.File1.pattern(), "*.g");
    QTest::keyClicks(combo->lineEdit(), "if");
    EXPECT_EQ(d.File1.pattern(), "*.gif");
    EXPECT_EQ(d.File1.files(), std::vector<std::string> { "b.gif" });

    combo->showPopup();
    QAbstractItemView* popup = combo->view();
    const QModelIndex everything = popup->model()->index(7, 0);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(everything).center());
    EXPECT_EQ(d.Combo1.text(), "*.*");
    EXPECT_EQ(combo->currentText(), "*.*");
    EXPECT_EQ(d.File1.pattern(), "*.gif");
}

}
