// SPDX-License-Identifier: MIT
// The start of the program and its secondary windows: from the accepted password to the main
// window on screen, opening the about box and the Drawing window, and handing the embedded
// picture to the desktop. Runs on Qt's offscreen platform (the program sets it itself).
#include "BenchProgram.h"
#include "forms/ManualClock.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"
#include "shell/About.h"
#include "shell/Form1.h"
#include "shell/Form5.h"
#include "shell/Movelle.h"
#include "shell/frmLogin.h"


#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A desktop that accepts every file without starting anything.
class AcceptingDesktop final : public forms::WindowSystem {
public:
    bool openWithDesktop(const std::string&) override { return true; }
};

using Headless = bench::Program<AcceptingDesktop>;
using bench::Shown;

// What the user waits for after Enter: the main window built and drawn.
void BM_LoginToMainWindowShown(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Shown>();
        s->app.start();
        s->settle(s->app.frmLogin());
        s->app.frmLogin().txtPassword.setText("harbor");
        state.ResumeTiming();

        s->app.frmLogin().characterTyped('\r');
        s->settle(s->app.Form1());

        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoginToMainWindowShown)->Unit(benchmark::kMillisecond);

void BM_LoginToMainWindowHeadless(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto h = std::make_unique<Headless>();
        h->app.start();
        h->app.frmLogin().txtPassword.setText("harbor");
        state.ResumeTiming();

        h->app.frmLogin().cmdOK.click();
        benchmark::DoNotOptimize(h->app.Form1().isShown());

        state.PauseTiming();
        h.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoginToMainWindowHeadless)->Unit(benchmark::kMicrosecond);

// "&About" the first time: the window made, the ship picture decoded, shown and drawn.
void BM_AboutFirstOpeningShown(benchmark::State& state)
{
    Shown s;
    s.app.Form1().show();
    s.settle(s.app.Form1());
    for (auto _ : state) {
        s.app.Form1().aaa.click();
        s.settle(s.app.About());
        state.PauseTiming();
        s.app.About().frameClosed();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AboutFirstOpeningShown)->Unit(benchmark::kMillisecond);

// The Drawing window made (its empty 189 x 189 canvas generated) and its picture handed to
// the desktop: the 107 KB working file written.
void BM_DrawingOpenAndHandOver(benchmark::State& state)
{
    Headless h;
    for (auto _ : state) {
        h.app.Form1().Command14.click();
        h.app.Form5().OLE1.activate();
        state.PauseTiming();
        h.app.Form5().frameClosed();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DrawingOpenAndHandOver)->Unit(benchmark::kMicrosecond);

}
