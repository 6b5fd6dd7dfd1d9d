// SPDX-License-Identifier: MIT
#pragma once

#include "Headless.h"

#include "forms/qt/QtClock.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

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

}
