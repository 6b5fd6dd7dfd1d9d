// SPDX-License-Identifier: MIT
#pragma once

#include "forms/ManualClock.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <QCoreApplication>
#include <QImage>

#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

// What every benchmark program builds the program from, and how it reads its memory.
namespace bench {

// A screen that shows nothing.
class NoScreen final : public forms::WindowSystem { };

// The whole program with the real picture decoder, on the screen and clock given.
template<typename Screen, typename Clock = forms::ManualClock>
struct Program {
    Screen screen;
    Clock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { screen, clock, decoder };
};

using Headless = Program<NoScreen>;

// Real windows on the offscreen platform; only the benchmark moves the clock.
struct Shown : Program<forms::qt::QtWindowSystem> {
    // Lets the window's view make its widgets and paint, as the event loop would.
    void settle(const forms::Window& window)
    {
        QCoreApplication::processEvents();
        if (auto* view = screen.viewOf(window))
            view->repaint();
    }
};

// "Settings finished" with the count and rate typed first.
inline void build(movelle::Form1& f, int frames, int rate)
{
    f.Text1.setText(std::to_string(frames));
    f.Text2.setText(std::to_string(rate));
    f.Command4.click();
}

inline forms::Picture solidPicture(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return forms::Picture(std::make_shared<forms::qt::QtPicture>(std::move(image)));
}

inline double residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

inline double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}
