// SPDX-License-Identifier: MIT
// The picture store: memory and time of opening many distinct pictures, playing them from the
// cache with decoding ahead, one picture under many spellings or in many frames, a click on a frame
// whose picture is not cached, and how long the event loop stalls while hostile files are opened.
//
// MOVELLE_BENCH_FRAMES sets how many 1920x1080 JPEGs to make (2000 unless told),
// MOVELLE_BENCH_LARGE_FRAMES how many 4000x3000 ones (500), MOVELLE_BENCH_SECONDS how long each
// playback runs (60).
#include "BenchProgram.h"
#include "PageFaults.h"
#include "dialogs/Form4.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/QtClock.h"
#include "forms/NumericText.h"
#include "forms/qt/QtWindowSystem.h"
#include "forms/qt/StoredPicture.h"
#include "forms/qt/WindowView.h"
#include "pictures/PictureStore.h"
#include "pictures/PixelPool.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

int setting(const char* name, int fallback)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

// The peak resident size since the last reset, in MB; resetting needs Linux's clear_refs.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peakSinceResetMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return bench::peakMegabytes();
}

// A directory of distinct JPEGs with gradients, shapes and grain, as photographs have, and an
// animation file naming each once.
class Pictures {
public:
    Pictures(int count, int width, int height)
    {
        QRandomGenerator random(11);
        std::string lines = std::to_string(count) + "\r\n40\r\n";
        QImage image(width, height, QImage::Format_RGB32);
        for (int i = 0; i < count; ++i) {
            QPainter painter(&image);
            QLinearGradient gradient(0, 0, width, height);
            gradient.setColorAt(0, QColor::fromHsv((i * 29) % 360, 190, 220));
            gradient.setColorAt(1, QColor::fromHsv((i * 83) % 360, 150, 80));
            painter.fillRect(image.rect(), gradient);
            for (int shape = 0; shape < 30; ++shape) {
                painter.setBrush(QColor::fromRgb(random.generate()));
                painter.drawEllipse(QPoint(random.bounded(width), random.bounded(height)), random.bounded(width / 8),
                                    random.bounded(height / 5));
            }
            painter.end();
            for (int y = 0; y < height; y += 2) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < width; x += 3)
                    line[x] ^= random.generate() & 0x0f0f0f;
            }
            const QString path = m_dir.filePath(QStringLiteral("f%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
            image.save(path, "JPEG", 85);
            m_paths.push_back(path.toStdString());
            lines += path.toStdString() + "\r\n";
        }
        std::ofstream(m_dir.filePath(QStringLiteral("anim.ani")).toStdString(), std::ios::binary) << lines;
    }

    static Pictures& fullHd()
    {
        static Pictures pictures(setting("MOVELLE_BENCH_FRAMES", 2000), 1920, 1080);
        return pictures;
    }
    // Enough distinct pictures to play more than a small cache holds.
    static Pictures& few()
    {
        static Pictures pictures(40, 1920, 1080);
        return pictures;
    }
    static Pictures& large()
    {
        static Pictures pictures(setting("MOVELLE_BENCH_LARGE_FRAMES", 500), 4000, 3000);
        return pictures;
    }

    std::string directory() const { return m_dir.path().toStdString(); }
    const std::vector<std::string>& paths() const { return m_paths; }

private:
    QTemporaryDir m_dir;
    std::vector<std::string> m_paths;
};

// The program as it runs: real windows on offscreen and the Qt clock.
using Running = bench::Program<forms::qt::QtWindowSystem, forms::qt::QtClock>;

std::string writeAnimation(const QTemporaryDir& dir, const std::vector<std::string>& lines)
{
    std::string text = std::to_string(lines.size()) + "\r\n40\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    std::ofstream(dir.filePath(QStringLiteral("anim.ani")).toStdString(), std::ios::binary) << text;
    return dir.path().toStdString();
}

template<typename P>
bool open(P& program, const std::string& directory, const std::string& name = "anim.ani")
{
    movelle::Form4& dialog = program.app.Form4();
    dialog.Dir1.setPath(directory);
    dialog.Text1.setText(name);
    dialog.Command1.click();
    return program.app.Form1().Image1.count() > 1 || !program.app.Form1().Image1(0).picture().isNull();
}

void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Opening N distinct pictures: the time, and the peak resident memory while it ran.
void measureOpen(benchmark::State& state, Pictures& pictures)
{
    for (auto _ : state) {
        auto program = std::make_unique<bench::Headless>();
        resetPeak();
        const double before = bench::residentMegabytes();
        const bench::FaultCount faults;
        const double cpu = bench::cpuSeconds();
        QElapsedTimer timer;
        timer.start();
        if (!open(*program, pictures.directory()))
            state.SkipWithError("the open failed");
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.counters["cpu_s"] = bench::cpuSeconds() - cpu;
        faults.report(state, double(pictures.paths().size()));
        state.SetIterationTime(seconds);
        state.counters["frames_per_s"] = double(pictures.paths().size()) / seconds;
        state.counters["peak_rss_MB"] = peakSinceResetMegabytes();
        state.counters["rss_before_MB"] = before;
        state.counters["rss_after_MB"] = bench::residentMegabytes();
        state.counters["cache_MB"] = double(program->decoder.store().cache().bytes()) / (1024.0 * 1024.0);
    }
}

void BM_OpenDistinctFullHd(benchmark::State& state) { measureOpen(state, Pictures::fullHd()); }
BENCHMARK(BM_OpenDistinctFullHd)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_OpenDistinctLarge(benchmark::State& state) { measureOpen(state, Pictures::large()); }
BENCHMARK(BM_OpenDistinctLarge)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

// Plays the opened pictures with the main window shown, in the picture-only view ('o') or the full
// view ('p'). A tick is on time when its frame has
// been painted before the next tick's deadline; a tick the clock skipped because the one before
// ran late counts as late.
void measurePlayback(benchmark::State& state, Pictures& pictures, int rate, char view)
{
    const int seconds = setting("MOVELLE_BENCH_SECONDS", 60);
    for (auto _ : state) {
        Running r;
        movelle::Form1& f = r.app.Form1();
        f.show();
        if (!open(r, pictures.directory())) {
            state.SkipWithError("the open failed");
            return;
        }
        f.Timer1.setInterval(rate);
        f.Form_KeyPress(view);
        forms::qt::WindowView* view = r.screen.viewOf(f);
        runEventLoop(300);

        QElapsedTimer clock;
        std::vector<qint64> painted;
        // Whether the picture a tick shows was decoded before the tick came: decoding ahead
        // keeping up, whatever the machine's load does to painting.
        qint64 ready = 0;
        pictures::PictureStore& store = r.decoder.store();
        f.Timer1.onTimer = [&] {
            const int next = forms::roundToIndex(forms::leadingNumber(f.l.caption()));
            if (const auto* stored = forms::qt::StoredPicture::of(f.Image1(next).picture()))
                ready += store.isCached(*stored->source()) ? 1 : 0;
            f.Timer1_Timer();
            view->canvas()->repaint();
            painted.push_back(clock.nsecsElapsed());
        };
        const std::int64_t decodesBefore = store.decodes();
        const bench::FaultCount faults;
        const double cpuBefore = bench::cpuSeconds();
        const double residentBefore = bench::residentMegabytes();
        double residentMost = residentBefore;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] { residentMost = std::max(residentMost, bench::residentMegabytes()); });
        sampler.start(1000);
        clock.start();
        // Playing is the timer running, as the play buttons do it.
        f.Timer1.setEnabled(true);
        runEventLoop(seconds * 1000);
        f.Timer1.setEnabled(false);
        sampler.stop();
        const double cpu = bench::cpuSeconds() - cpuBefore;
        const std::int64_t decodes = store.decodes() - decodesBefore;
        state.counters["decodes_per_tick"] = painted.empty() ? 0.0 : double(decodes) / double(painted.size());
        state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / double(clock.nsecsElapsed()) * 1e9;
        faults.report(state, double(decodes));
        // Resident memory once playing has filled the cache, and the most it reached after.
        state.counters["rss_start_MB"] = residentBefore;
        state.counters["rss_most_MB"] = residentMost;
        state.counters["rss_end_MB"] = bench::residentMegabytes();

        const qint64 interval = qint64(rate) * 1000000;
        const qint64 due = qint64(seconds) * 1000 / rate;
        qint64 onTime = 0;
        qint64 worst = 0;
        for (const qint64 at : painted) {
            // The deadline this tick served: the last one before it was painted.
            const qint64 deadline = at / interval * interval;
            const qint64 lateness = at - deadline;
            worst = std::max(worst, lateness);
            if (deadline > 0 && lateness < interval)
                ++onTime;
        }
        state.counters["ticks_due"] = double(due);
        state.counters["ticks_painted"] = double(painted.size());
        state.counters["ready_in_cache_percent"] = painted.empty() ? 0.0 : 100.0 * double(ready) / double(painted.size());
        state.counters["on_time_percent"] = 100.0 * double(onTime) / double(due);
        state.counters["worst_paint_after_deadline_ms"] = double(worst) / 1e6;
        state.counters["peak_rss_MB"] = bench::peakMegabytes();
    }
}

void BM_PlayDistinctFullHdAt40ms(benchmark::State& state) { measurePlayback(state, Pictures::fullHd(), 40, 'o'); }
BENCHMARK(BM_PlayDistinctFullHdAt40ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same in the full view, where every path label and frame button of the opened animation is
// shown and stacked.
void BM_PlayDistinctFullHdAt40msFullView(benchmark::State& state) { measurePlayback(state, Pictures::fullHd(), 40, 'p'); }
BENCHMARK(BM_PlayDistinctFullHdAt40msFullView)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlayDistinctLargeAt100ms(benchmark::State& state) { measurePlayback(state, Pictures::large(), 100, 'o'); }
BENCHMARK(BM_PlayDistinctLargeAt100ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decoding full-HD pictures over and over through a store whose cache holds fewer of them than
// are shown, as playback does: once the pixel pool is warm, each decode writes into the pixels of
// a picture evicted before it, so the page faults per decode are those of the decoder's own
// working memory, not the 2,048 of a fresh full-HD picture.
void BM_DecodeFullHdSteadyState(benchmark::State& state)
{
    pictures::PictureStore::Settings settings;
    settings.budgetBytes = 64 * 1024 * 1024;
    pictures::PictureStore store(settings);
    std::vector<pictures::PictureStore::Source> sources;
    for (const std::string& path : Pictures::few().paths()) {
        pictures::Result<pictures::PictureStore::Source> source = store.load(QString::fromStdString(path));
        if (!source) {
            state.SkipWithError(source.error().message().c_str());
            return;
        }
        sources.push_back(source.value());
    }
    const auto round = [&] {
        for (const auto& source : sources)
            benchmark::DoNotOptimize(store.image(*source).value().constBits());
    };
    // Warming: the pool fills up to the budget.
    round();
    round();
    const std::int64_t decodesBefore = store.decodes();
    const std::int64_t mappingsBefore = store.pixels().mappings();
    const bench::FaultCount faults;
    for (auto _ : state)
        round();
    const double decodes = double(store.decodes() - decodesBefore);
    faults.report(state, decodes);
    state.counters["decodes"] = decodes;
    state.counters["new_mappings"] = double(store.pixels().mappings() - mappingsBefore);
    state.counters["pool_MB"] = double(store.pixels().usedBytes() + store.pixels().freeBytes()) / (1024.0 * 1024.0);
    state.SetItemsProcessed(std::int64_t(decodes));
}
BENCHMARK(BM_DecodeFullHdSteadyState)->Iterations(3)->Unit(benchmark::kMillisecond);

// One picture named in many ways, or named the same way by many frames: the memory it adds.
void measureOnePicture(benchmark::State& state, bool spellings)
{
    const int frames = int(state.range(0));
    for (auto _ : state) {
        QTemporaryDir dir;
        const std::string picture = Pictures::fullHd().paths().front();
        const std::string name = picture.substr(picture.rfind('/') + 1);
        const std::string folder = picture.substr(0, picture.rfind('/'));
        std::vector<std::string> lines;
        for (int i = 0; i < frames; ++i) {
            std::string spelling = folder;
            for (int k = 0; spellings && k < i; ++k)
                spelling += "/.";
            lines.push_back(spelling + "/" + name);
        }
        auto program = std::make_unique<bench::Headless>();
        const double before = bench::residentMegabytes();
        if (!open(*program, writeAnimation(dir, lines)))
            state.SkipWithError("the open failed");
        state.counters["rss_growth_MB"] = bench::residentMegabytes() - before;
        state.counters["sources"] = double(program->decoder.store().sourceCount());
    }
}

void BM_SpellingsOfOnePicture(benchmark::State& state) { measureOnePicture(state, true); }
BENCHMARK(BM_SpellingsOfOnePicture)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);
void BM_FramesSharingOnePicture(benchmark::State& state) { measureOnePicture(state, false); }
BENCHMARK(BM_FramesSharingOnePicture)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A frame button clicked when its picture is not in the cache: from the click to the painted frame.
void BM_ClickUncachedFrame(benchmark::State& state)
{
    Running r;
    movelle::Form1& f = r.app.Form1();
    f.show();
    QTemporaryDir dir;
    std::vector<std::string> lines(Pictures::fullHd().paths().begin(), Pictures::fullHd().paths().begin() + 20);
    if (!open(r, writeAnimation(dir, lines))) {
        state.SkipWithError("the open failed");
        return;
    }
    forms::qt::WindowView* view = r.screen.viewOf(f);
    runEventLoop(300);
    pictures::PictureStore& store = r.decoder.store();
    const std::int64_t budget = store.cache().budget();
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        store.cache().setBudget(0);
        store.cache().setBudget(budget);
        frame = (frame + 1) % 20;
        state.ResumeTiming();
        f.Command1(frame).click();
        view->canvas()->repaint();
    }
    store.cache().setBudget(budget);
}
BENCHMARK(BM_ClickUncachedFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

// Opens one hostile file while a 1 ms timer pings the event loop: the longest gap between pings.
void BM_HostileOpenStall(benchmark::State& state)
{
    static const char* const names[] = { "pipe.jpg", "scan-bomb.jpg", "huge-peak.tif", "render-bomb.wmf", "long-line.ani" };
    const std::string file = names[state.range(0)];
    QTemporaryDir dir;
    const std::string command = std::string("bash '" MOVELLE_HOSTILE_SCRIPT "' '") + dir.path().toStdString() + "' " + file;
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("the generator failed");
        return;
    }
    for (auto _ : state) {
        Running r;
        r.app.Form1().show();
        runEventLoop(200);
        std::string directory = dir.path().toStdString();
        std::string name = file;
        QTemporaryDir animation;
        if (file.find(".ani") == std::string::npos) {
            directory = writeAnimation(animation, { dir.filePath(QString::fromStdString(file)).toStdString() });
            name = "anim.ani";
        }
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer ping;
        ping.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ping, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
            // The refusal's message box would wait for a click that never comes.
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(QMessageBox::Ok);
        });
        QTimer::singleShot(20, [&] {
            const qint64 start = clock.nsecsElapsed();
            open(r, directory, name);
            state.counters["open_ms"] = double(clock.nsecsElapsed() - start) / 1e6;
        });
        clock.start();
        ping.start(1);
        runEventLoop(200);
        // The open may still be running its nested loop: wait for it to return.
        while (r.app.busy())
            runEventLoop(50);
        state.counters["longest_stall_ms"] = double(longest) / 1e6;
    }
    state.SetLabel(file);
}
BENCHMARK(BM_HostileOpenStall)->DenseRange(0, 4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}
