// SPDX-License-Identifier: MIT
// The main window with thousands of frames: building the frame set, the character keys, and
// what it costs in memory. Run with QT_QPA_PLATFORM=offscreen (the program sets it itself).
#include "forms/ManualClock.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/QtPictureDecoder.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/WindowView.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class NoScreen final : public forms::WindowSystem { };

double residentMegabytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Headless {
    NoScreen screen;
    forms::ManualClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { screen, clock, decoder };
};

struct Shown {
    forms::qt::QtWindowSystem screen;
    forms::ManualClock clock;
    forms::qt::QtPictureDecoder decoder;
    movelle::Movelle app { screen, clock, decoder };

    void settle()
    {
        // Lets the view create its widgets and paint, as the event loop would.
        QCoreApplication::processEvents();
        if (auto* view = screen.viewOf(app.Form1()))
            view->repaint();
    }
};

void build(movelle::Form1& f, int frames)
{
    f.Text1.setText(std::to_string(frames));
    f.Text2.setText("40");
    f.Command4.click();
}

// One decoded 1920x1080 picture in frame 0, copied into 1,000 new frames: the copies share it.
void BM_SharedPictureMemory(benchmark::State& state)
{
    for (auto _ : state) {
        Headless h;
        movelle::Form1& f = h.app.Form1();
        QImage image(1920, 1080, QImage::Format_RGB32);
        image.fill(Qt::red);
        f.Image1(0).setPicture(forms::Picture(std::make_shared<forms::qt::QtPicture>(image)));
        image = QImage();
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
        s->settle();
        state.ResumeTiming();
        build(f, frames);
        s->settle();
        state.PauseTiming();
        s.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = peakMegabytes();
}
BENCHMARK(BM_SettingsFinishedShown)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);

template<bool shown>
void keyPress(benchmark::State& state, int key, int undo)
{
    auto h = std::make_unique<std::conditional_t<shown, Shown, Headless>>();
    movelle::Form1& f = h->app.Form1();
    if constexpr (shown) {
        f.show();
        h->settle();
    }
    build(f, 10000);
    for (auto _ : state) {
        f.characterTyped(key);
        if constexpr (shown)
            h->settle();
        state.PauseTiming();
        f.characterTyped(undo);
        if constexpr (shown)
            h->settle();
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
        QImage image(1920, 1080, QImage::Format_RGB32);
        image.fill(Qt::blue);
        f.Image1(0).setPicture(forms::Picture(std::make_shared<forms::qt::QtPicture>(image)));
        image = QImage();
        build(f, 1);
        s.settle();
        const double start = residentMegabytes();
        double highest = start;
        for (int i = 0; i < 40; ++i) {
            f.characterTyped('=');
            s.settle();
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
