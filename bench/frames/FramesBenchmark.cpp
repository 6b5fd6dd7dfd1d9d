// SPDX-License-Identifier: MIT
// The main window with thousands of frames: building the frame set, the character keys, and
// what it costs in memory. Run with QT_QPA_PLATFORM=offscreen (the program sets it itself).
#include "BenchProgram.h"
#include "PageFaults.h"

#include "forms/qt/Canvas.h"
#include "forms/qt/WindowView.h"

#include <QAccessible>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

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
    std::int64_t faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto h = std::make_unique<Headless>();
        movelle::Form1& f = h->app.Form1();
        const bench::FaultCount count;
        state.ResumeTiming();
        build(f, frames);
        state.PauseTiming();
        faults += count.faults();
        h.reset();
        state.ResumeTiming();
    }
    state.counters["page_faults"] = double(faults) / double(state.iterations());
}
BENCHMARK(BM_SettingsFinishedHeadless)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);

void BM_SettingsFinishedShown(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    std::int64_t faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto s = std::make_unique<Shown>();
        movelle::Form1& f = s->app.Form1();
        f.show();
        s->settle(s->app.Form1());
        const bench::FaultCount count;
        state.ResumeTiming();
        build(f, frames);
        s->settle(s->app.Form1());
        state.PauseTiming();
        faults += count.faults();
        s.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
    state.counters["page_faults"] = double(faults) / double(state.iterations());
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

// What the path labels of the opened frames hold.
enum Paths {
    kNoPaths,            // empty captions
    kPaths,              // each frame's path, labels without a background of their own
    kPathsOpaqueLabels,  // each frame's path, labels painting their background
};

// The frame set an open of 32,767 frames leaves: every frame visible and stacked, each with a
// 1920x1080 picture (a pool of distinct ones, as many as fit this machine) and its path label.
struct Opened {
    static constexpr int kFrames = 32767;
    static constexpr int kDistinct = 24;

    bench::Shown s;
    movelle::Form1& f = s.app.Form1();

    explicit Opened(Paths paths, int frames = kFrames)
    {
        f.show();
        s.settle(f);
        if (paths == kPathsOpaqueLabels) {
            forms::Look look = f.x(0).look();
            look.transparent = false;
            f.x(0).setLook(look);
        }
        build(f, frames);
        std::vector<forms::Picture> pool;
        for (int i = 0; i < kDistinct; ++i)
            pool.push_back(bench::solidPicture(1920, 1080, QColor::fromHsv(i * 359 / kDistinct, 200, 200)));
        for (int i = 0; i < frames; ++i) {
            f.Image1(i).setPicture(pool[static_cast<std::size_t>(i % kDistinct)]);
            if (paths != kNoPaths)
                f.x(i).setCaption("/home/ann/film/frame" + std::to_string(i) + ".jpg");
        }
    }
    // Widgets made and everything painted once, so that a benchmark starts from a quiet window.
    void settle() { s.settle(f); }
    // Lets the event loop paint what the model changes left due, as the program would.
    void paint() { QCoreApplication::processEvents(); }
};

// The first repaint after the frames were opened. The argument: what the path labels hold.
void BM_OpenedFirstRepaint(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto o = std::make_unique<Opened>(static_cast<Paths>(state.range(0)));
        state.ResumeTiming();
        o->paint();
        state.PauseTiming();
        o.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenedFirstRepaint)->Arg(kNoPaths)->Arg(kPaths)->Arg(kPathsOpaqueLabels)->Iterations(3)->Unit(benchmark::kMillisecond);

// One key on the opened frames, until the window has been repainted; `undo` (not measured)
// brings the frames back between iterations. The arguments: what the path labels hold; the
// number of frames.
void openedKey(benchmark::State& state, int key, int undo)
{
    Opened o(static_cast<Paths>(state.range(0)), static_cast<int>(state.range(1)));
    o.settle();
    for (auto _ : state) {
        o.f.characterTyped(key);
        o.paint();
        state.PauseTiming();
        o.f.characterTyped(undo);
        o.paint();
        state.ResumeTiming();
    }
}
void BM_OpenedEnlargeKey(benchmark::State& state) { openedKey(state, '=', '-'); }
void BM_OpenedShrinkKey(benchmark::State& state) { openedKey(state, '-', '='); }
void BM_OpenedOwnSizeKey(benchmark::State& state) { openedKey(state, 8, '='); }
void BM_OpenedPictureOnlyKey(benchmark::State& state) { openedKey(state, 'o', 'p'); }
BENCHMARK(BM_OpenedEnlargeKey)->ArgsProduct({ { kNoPaths, kPaths, kPathsOpaqueLabels }, { 10, Opened::kFrames } })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenedShrinkKey)->ArgsProduct({ { kNoPaths, kPaths, kPathsOpaqueLabels }, { 10, Opened::kFrames } })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenedOwnSizeKey)->ArgsProduct({ { kNoPaths, kPaths, kPathsOpaqueLabels }, { 10, Opened::kFrames } })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenedPictureOnlyKey)->ArgsProduct({ { kNoPaths, kPaths, kPathsOpaqueLabels }, { 10, Opened::kFrames } })->Unit(benchmark::kMillisecond);

// Playing the opened frames: one Timer1 tick and the Timer2 refresh after it, painted. The
// arguments: the pictures enlarged by "=" first; what the path labels hold; the number of frames.
void BM_OpenedPlaybackTick(benchmark::State& state)
{
    Opened o(static_cast<Paths>(state.range(1)), static_cast<int>(state.range(2)));
    if (state.range(0))
        o.f.characterTyped('=');
    o.f.Timer2.setEnabled(false);
    o.f.Command5.click();
    // The first tick hides every picture the open left visible and shows frame 0, which lies
    // below all the path labels; the benchmark measures the ticks after it.
    o.s.clock.advance(40);
    o.settle();
    for (auto _ : state) {
        o.s.clock.advance(40);
        o.f.Timer2_Timer();
        o.paint();
    }
}
BENCHMARK(BM_OpenedPlaybackTick)->ArgsProduct({ { 0, 1 }, { kNoPaths, kPaths, kPathsOpaqueLabels }, { 10, Opened::kFrames } })->Unit(benchmark::kMillisecond);

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
