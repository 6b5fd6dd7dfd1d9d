// SPDX-License-Identifier: MIT
#pragma once

#include "Headless.h"

#include "forms/qt/QtClock.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"

#include <QCoreApplication>

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

}
