// SPDX-License-Identifier: MIT
// The main window with thousands of frames: building the frame set, the character keys, and
// what it costs in memory. Run with QT_QPA_PLATFORM=offscreen (the program sets it itself).
#include "BenchProgram.h"

#include "forms/qt/Canvas.h"
#include "forms/qt/WindowView.h"

#include <QAccessible>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using bench::Headless;
using bench::peakMegabytes;
using bench::residentMegabytes;
using bench::Shown;

void build(movelle::Form1& f, int frames)
{
    bench::build(f, frames, 40);
}

// One decoded 1920x1080 picture in frame 0, copied into 1,000 new frames: the copies share it.
void BM_SharedPictureMemory(benchmark::State& state)
{
    for (auto _ : state) {
        Headless h;
        movelle::Form1& f = h.app.Form1();
        f.Image1(0).setPicture(bench::solidPicture(1920, 1080, Qt::red));
        const double before = residentMegabytes();
        build(f, 1000);
        state.counters["rss_growth_MB"] = residentMegabytes() - before;
    }
}
BENCHMARK(BM_SharedPictureMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SettingsFinishedHeadless(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto h = std::make_unique<Headless>();
        movelle::Form1& f = h->app.Form1();
        state.ResumeTiming();
        build(f, frames);
        state.PauseTiming();
        h.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SettingsFinishedHeadless)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_SettingsFinishedShown(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Shown>();
        movelle::Form1& f = s->app.Form1();
        f.show();
        s->settle(s->app.Form1());
        state.ResumeTiming();
        build(f, frames);
        s->settle(s->app.Form1());
        state.PauseTiming();
        s.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}
BENCHMARK(BM_SettingsFinishedShown)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);

// A screen reader's first walk over the client area of 32,767 frames: every drawn label and
// picture gets its accessible object now, not when the frames were built.
void BM_AccessibleWalkShown(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Shown>();
        movelle::Form1& f = s->app.Form1();
        f.show();
        build(f, frames);
        s->settle(s->app.Form1());
        const double before = residentMegabytes();
        state.ResumeTiming();
        QAccessibleInterface* area = QAccessible::queryAccessibleInterface(s->screen.viewOf(f)->canvas());
        const int children = area->childCount();
        for (int i = 0; i < children; ++i)
            benchmark::DoNotOptimize(area->child(i)->text(QAccessible::Name));
        state.PauseTiming();
        state.counters["children"] = children;
        state.counters["rss_growth_MB"] = residentMegabytes() - before;
        s.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AccessibleWalkShown)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);

template<bool shown>
void keyPress(benchmark::State& state, int key, int undo)
{
    auto h = std::make_unique<std::conditional_t<shown, Shown, Headless>>();
    movelle::Form1& f = h->app.Form1();
    if constexpr (shown) {
        f.show();
        h->settle(h->app.Form1());
    }
    build(f, 10000);
    for (auto _ : state) {
        f.characterTyped(key);
        if constexpr (shown)
            h->settle(h->app.Form1());
        state.PauseTiming();
        f.characterTyped(undo);
        if constexpr (shown)
            h->settle(h->app.Form1());
        state.ResumeTiming();
    }
}

void BM_EnlargeKey10000Headless(benchmark::State& state) { keyPress<false>(state, '=', '-'); }
void BM_EnlargeKey10000Shown(benchmark::State& state) { keyPress<true>(state, '=', '-'); }
void BM_PictureOnlyKey10000Headless(benchmark::State& state) { keyPress<false>(state, 'o', 'p'); }
void BM_PictureOnlyKey10000Shown(benchmark::State& state) { keyPress<true>(state, 'o', 'p'); }
BENCHMARK(BM_EnlargeKey10000Headless)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnlargeKey10000Shown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureOnlyKey10000Headless)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PictureOnlyKey10000Shown)->Unit(benchmark::kMillisecond);

// Forty "=" on a 1920x1080 picture, drawn each time: no scaled copy may be kept.
void BM_FortyEnlargements(benchmark::State& state)
{
    for (auto _ : state) {
        Shown s;
        movelle::Form1& f = s.app.Form1();
        f.show();
        f.Image1(0).setPicture(bench::solidPicture(1920, 1080, Qt::blue));
        build(f, 1);
        s.settle(s.app.Form1());
        const double start = residentMegabytes();
        double highest = start;
        for (int i = 0; i < 40; ++i) {
            f.characterTyped('=');
            s.settle(s.app.Form1());
            highest = std::max(highest, residentMegabytes());
        }
        state.counters["rss_above_start_MB"] = highest - start;
    }
}
BENCHMARK(BM_FortyEnlargements)->Iterations(1)->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
