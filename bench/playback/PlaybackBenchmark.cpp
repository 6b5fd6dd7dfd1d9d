// SPDX-License-Identifier: MIT
// Playback: the cost of one tick with thousands of frames, how closely the Qt clock keeps a
// timer's period in a real event loop, and what an idle main window costs while Timer2 ticks
// every millisecond. Windows go to Qt's offscreen platform (the program sets it itself).
#include "BenchProgram.h"
#include "forms/Application.h"
#include "forms/ManualClock.h"
#include "forms/Timer.h"
#include "forms/Window.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtClock.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <sys/resource.h>
#include <vector>

namespace {

using bench::build;
using bench::Headless;
using bench::NoScreen;
using bench::solidPicture;

// The program as it runs: real windows on offscreen and the Qt clock.
using Running = bench::Program<forms::qt::QtWindowSystem, forms::qt::QtClock>;

void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size()))) - 1;
    return values[std::min(rank, values.size() - 1)];
}

// One playback step with N frames and no display, through the clock and the dispatcher as a
// real tick goes. Timer2 is off so that only Timer1's step is measured.
void BM_PlaybackTickHeadless(benchmark::State& state)
{
    Headless h;
    movelle::Form1& f = h.app.Form1();
    build(f, static_cast<int>(state.range(0)), 1);
    f.Timer2.setEnabled(false);
    f.Command5.click();
    for (auto _ : state)
        h.clock.advance(1);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaybackTickHeadless)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same step with the main window shown, each frame holding a picture, until the window has
// been repainted: what a tick costs on screen.
void BM_PlaybackTickShown(benchmark::State& state)
{
    bench::Shown s;
    movelle::Form1& f = s.app.Form1();
    f.show();
    f.Image1(0).setPicture(solidPicture(320, 240, Qt::darkGreen));
    build(f, static_cast<int>(state.range(0)), 1);
    f.Timer2.setEnabled(false);
    f.Command5.click();
    forms::qt::WindowView* view = s.screen.viewOf(f);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        s.clock.advance(1);
        view->repaint();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaybackTickShown)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A timer of `interval` ms on the Qt clock for five seconds of a real event loop: the mean
// period and the deviation of single periods from the interval.
void measurePeriods(benchmark::State& state, int interval, bool withTimer2)
{
    for (auto _ : state) {
        NoScreen screen;
        forms::qt::QtClock clock;
        forms::qt::QtPictureDecoder decoder;
        forms::Application app(screen, clock, decoder);
        forms::Window window(app, "Bench");
        forms::Timer timer(window, "Timer1");
        forms::Timer refresh(window, "Timer2");
        int refreshes = 0;
        refresh.onTimer = [&refreshes] { ++refreshes; };
        if (withTimer2) {
            refresh.setInterval(1);
            refresh.setEnabled(true);
        }

        QElapsedTimer elapsed;
        std::vector<qint64> ticks;
        ticks.reserve(static_cast<std::size_t>(6000 / interval + 16));
        timer.onTimer = [&] { ticks.push_back(elapsed.nsecsElapsed()); };
        elapsed.start();
        timer.setInterval(interval);
        timer.setEnabled(true);
        runEventLoop(5000);
        timer.setEnabled(false);

        // A tick that falls due while the process cannot run is skipped, not delivered late in a
        // burst; a skipped tick shows as a period of two or more intervals.
        std::vector<double> deviations;
        double skipped = 0;
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            const double period = static_cast<double>(ticks[i] - ticks[i - 1]) / 1e6;
            deviations.push_back(std::abs(period - interval));
            skipped += std::max(0.0, std::round(period / interval) - 1);
        }
        state.counters["skipped"] = skipped;
        const double span = ticks.size() > 1 ? static_cast<double>(ticks.back() - ticks.front()) / 1e6 : 0;
        state.counters["ticks"] = static_cast<double>(ticks.size());
        state.counters["mean_period_ms"] = ticks.size() > 1 ? span / static_cast<double>(ticks.size() - 1) : 0;
        state.counters["p50_dev_ms"] = percentile(deviations, 50);
        state.counters["p99_dev_ms"] = percentile(deviations, 99);
        state.counters["max_dev_ms"] = percentile(deviations, 100);
        if (withTimer2)
            state.counters["timer2_ticks_per_s"] = refreshes / 5.0;
    }
}

void BM_TimerPeriod40ms(benchmark::State& state) { measurePeriods(state, 40, false); }
void BM_TimerPeriod1ms(benchmark::State& state) { measurePeriods(state, 1, false); }
// As the main window runs it: Timer1 at 40 ms beside Timer2 at 1 ms.
void BM_TimerPeriod40msBesideTimer2(benchmark::State& state) { measurePeriods(state, 40, true); }
BENCHMARK(BM_TimerPeriod40ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TimerPeriod1ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TimerPeriod40msBesideTimer2)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The main window shown and left alone for five seconds, Timer2 refreshing the frame numbers
// every millisecond: the share of one core the process uses. With `playing`, a ten-frame
// animation with pictures runs at 40 ms meanwhile.
void measureMainWindow(benchmark::State& state, bool playing)
{
    for (auto _ : state) {
        Running r;
        movelle::Form1& f = r.app.Form1();
        f.show();
        f.Image1(0).setPicture(solidPicture(320, 240, Qt::darkGreen));
        build(f, 10, 40);
        if (playing)
            f.Command5.click();
        runEventLoop(500);   // settle: widgets made, first paint done

        int refreshes = 0;
        f.Timer2.onTimer = [&refreshes, &f] {
            ++refreshes;
            f.Timer2_Timer();
        };
        QElapsedTimer wall;
        wall.start();
        const double cpuBefore = cpuSeconds();
        runEventLoop(5000);
        const double cpu = cpuSeconds() - cpuBefore;
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / seconds;
        state.counters["timer2_ticks_per_s"] = refreshes / seconds;
    }
}

void BM_IdleMainWindowCpu(benchmark::State& state) { measureMainWindow(state, false); }
void BM_PlayingMainWindowCpu(benchmark::State& state) { measureMainWindow(state, true); }
BENCHMARK(BM_IdleMainWindowCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlayingMainWindowCpu)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}
