// SPDX-License-Identifier: MIT
// A drop is an XDND transfer between two programs, which xdotool cannot make; the drops here
// are delivered through Qt's event API to the main window's view, as Qt hands a real one over.
#include "Widgets.h"

#include "shell/Form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::Shown;
using testing_support::TempDir;

// Drags the files over `at` (view coordinates) and drops them there; whether the view took them.
bool drop(forms::qt::WindowView& view, const std::vector<std::string>& paths, QPoint at)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &dropped);
    return dropped.isAccepted();
}

TEST(DropWidgets, AFolderOnTheWindowBuildsFramesAndFilesOnAButtonFillFromIt)
{
    TempDir tmp;
    std::filesystem::create_directories(tmp.path() / "walk");
    writePicture(tmp, "walk/walk10.png", 10, 4, 0x0000ff);
    writePicture(tmp, "walk/walk2.png", 2, 4, 0x00ff00);
    writePicture(tmp, "walk/walk1.png", 1, 4, 0xff0000);
    const std::string extra = writePicture(tmp, "extra.bmp", 7, 4, 0xffff00);

    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    forms::qt::WindowView& view = s.view(f);

    // No frame set yet: the folder's pictures, in natural order, become three frames at 100 ms.
    ASSERT_TRUE(drop(view, { (tmp.path() / "walk").string() }, QPoint(20, 200)));
    EXPECT_EQ(f.Text1.text(), "3");
    EXPECT_EQ(f.Timer1.interval(), 100);
    ASSERT_EQ(f.frameCount(), 3);
    EXPECT_EQ(f.Image1(0).picture().width(), 1);
    EXPECT_EQ(f.Image1(1).picture().width(), 2);
    EXPECT_EQ(f.Image1(2).picture().width(), 10);

    // On the third frame's button: that frame and a new fourth one.
    s.view(f);
    auto* third = dynamic_cast<QPushButton*>(view.widgetFor(f.Command1(2)));
    ASSERT_TRUE(third);
    ASSERT_TRUE(drop(view, { extra, (tmp.path() / "walk/walk1.png").string() }, third->mapTo(&view, third->rect().center())));
    EXPECT_EQ(f.Text1.text(), "4");
    EXPECT_EQ(f.x(2).caption(), extra);
    EXPECT_EQ(f.Image1(3).picture().width(), 1);
    EXPECT_EQ(f.Image1(0).picture().width(), 1);
    s.view(f);
    auto* fourth = dynamic_cast<QPushButton*>(view.widgetFor(f.Command1(3)));
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->text(), "4");
}

}
