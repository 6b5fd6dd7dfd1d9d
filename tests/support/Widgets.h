// SPDX-License-Identifier: MIT
#pragma once

#include "Headless.h"

#include "forms/qt/QtClock.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <string>
#include <vector>

namespace testing_support {

// The program with its real windows on the offscreen platform. The clock is manual, so only
// the test decides when timers tick.
struct Shown {
    forms::qt::QtWindowSystem screen;
    forms::ManualClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { screen, clock, decoder };

    // The view of a window that has been shown, with its widgets brought up to date.
    forms::qt::WindowView& view(const forms::Window& window)
    {
        QCoreApplication::processEvents();
        forms::qt::WindowView* v = screen.viewOf(window);
        v->reconcileNow();
        return *v;
    }
};

// The widget of a text box or a command button in a shown window, or null.
inline QLineEdit* edit(forms::qt::WindowView& view, const forms::Control& c)
{
    return dynamic_cast<QLineEdit*>(view.widgetFor(c));
}

inline QPushButton* button(forms::qt::WindowView& view, const forms::Control& c)
{
    return dynamic_cast<QPushButton*>(view.widgetFor(c));
}

// Drags the files over `at` (widget coordinates) and drops them there, through Qt's event API as
// Qt hands a real drop over; whether the widget took them.
inline bool drop(QWidget& widget, const std::vector<std::string>& paths, QPoint at)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &dropped);
    return dropped.isAccepted();
}

}
