// SPDX-License-Identifier: MIT
#include "Widgets.h"

#include "forms/Error.h"
#include "forms/Progress.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

using testing_support::Shown;

// Calls `act` with the progress dialog once it is on screen, looking again at every turn of the
// event loop until then.
void whenDialogShows(const std::function<void(QProgressDialog&)>& act)
{
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (dialog && dialog->isVisible())
        act(*dialog);
    else
        QTimer::singleShot(0, [act] { whenDialogShows(act); });
}

TEST(ProgressWidget, TheMainWindowTakesNoInputAndCancelEndsTheWork)
{
    Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    auto* count = dynamic_cast<QLineEdit*>(s.view(f).widgetFor(f.Text1));
    ASSERT_NE(count, nullptr);
    s.screen.setProgressDelay(0);

    forms::Progress progress;
    progress.setTotal(10);
    progress.advance(3);
    std::string label;
    whenDialogShows([&](QProgressDialog& dialog) {
        label = dialog.labelText().toStdString();
        // Typing into the main window while the work runs changes nothing there.
        QTest::keyClicks(count, "42");
        auto* cancel = dialog.findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    const bool finished = s.screen.runWithProgress("Opening /tmp/a.ani", progress, [&] {
        while (!progress.cancelled())
            std::this_thread::yield();
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(count->text().toStdString(), "");
    EXPECT_EQ(f.Text1.text(), "");
    EXPECT_NE(label.find("Opening /tmp/a.ani"), std::string::npos) << label;
    EXPECT_NE(label.find("3 of 10"), std::string::npos) << label;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Afterwards the window takes input again.
    QTest::keyClicks(count, "7");
    EXPECT_EQ(count->text().toStdString(), "7");
}

TEST(ProgressWidget, WhatTheWorkThrowsComesOutAndQuickWorkShowsNoDialog)
{
    Shown s;
    forms::Progress progress;
    bool ran = false;
    EXPECT_TRUE(s.screen.runWithProgress("quick", progress, [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_THROW(s.screen.runWithProgress("failing", progress,
                                          [] { throw forms::Error(forms::ErrorKind::BadPicture, "cannot read"); }),
                 forms::Error);
}

}
