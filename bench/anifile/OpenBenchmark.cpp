// SPDX-License-Identifier: MIT
// Opening an animation file through the Open dialog: 200 full-HD JPEG frames decoded on all cores
// against the same open decoded on one thread, and against ImageMagick reading the same files; and
// the same pictures dropped on the main window against the open of the animation naming them.
//
// MOVELLE_BENCH_FRAMES sets how many JPEG frames to make (200 unless told; 2000 for the drop of
// the measure).
#include "BenchProgram.h"
#include "PageFaults.h"
#include "dialogs/Form4.h"
#include "dialogs/PictureFiles.h"
#include "forms/ManualClock.h"
#include "forms/WindowSystem.h"
#include "forms/qt/QtPictureDecoder.h"
#include "pictures/PictureStore.h"
#include "shell/Form1.h"
#include "shell/Movelle.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

class RecordingScreen final : public forms::WindowSystem {
public:
    void reportError(const std::string& message) override { error = message; }
    std::string error;
};

// The whole program without a display, as the user has it right after start.
using Program = bench::Program<RecordingScreen>;

// A directory of full-HD JPEGs and an animation file that names each of them once.
class Animation {
public:
    static Animation& instance()
    {
        static Animation animation;
        return animation;
    }

    std::string directory() const { return m_dir.path().toStdString(); }
    const QStringList& pictures() const { return m_pictures; }

private:
    Animation()
    {
        const int frames = qEnvironmentVariableIsSet("MOVELLE_BENCH_FRAMES")
            ? qEnvironmentVariableIntValue("MOVELLE_BENCH_FRAMES")
            : 200;
        QRandomGenerator random(7);
        std::string lines = std::to_string(frames) + "\r\n40\r\n";
        for (int i = 0; i < frames; ++i) {
            // Gradients, shapes and grain, so the encoder and decoder have real work, as with a
            // photograph; a flat fill decodes unrealistically fast.
            QImage image(1920, 1080, QImage::Format_RGB32);
            QPainter painter(&image);
            QLinearGradient gradient(0, 0, 1920, 1080);
            gradient.setColorAt(0, QColor::fromHsv((i * 29) % 360, 190, 220));
            gradient.setColorAt(1, QColor::fromHsv((i * 83) % 360, 150, 80));
            painter.fillRect(image.rect(), gradient);
            for (int shape = 0; shape < 30; ++shape) {
                painter.setBrush(QColor::fromRgb(random.generate()));
                painter.drawEllipse(QPoint(random.bounded(1920), random.bounded(1080)), random.bounded(220),
                                    random.bounded(220));
            }
            painter.end();
            for (int y = 0; y < 1080; y += 2) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < 1920; x += 3)
                    line[x] ^= random.generate() & 0x0f0f0f;
            }
            const QString path = m_dir.filePath(QStringLiteral("f%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            image.save(path, "JPEG", 85);
            m_pictures << path;
            lines += path.toStdString() + "\r\n";
        }
        std::ofstream(m_dir.filePath(QStringLiteral("anim.ani")).toStdString(), std::ios::binary) << lines;
    }

    QTemporaryDir m_dir;
    QStringList m_pictures;
};

// Seconds for one click on "OK" in a fresh program; the program is built and torn down outside
// the measured time.
double openOnce(benchmark::State& state, const std::string& directory, const std::string& name, unsigned threads,
                int expectedFrames)
{
    auto program = std::make_unique<Program>();
    movelle::Form1& main = program->app.Form1();
    movelle::Form4& dialog = program->app.Form4();
    dialog.setDecodingThreads(threads);
    dialog.Dir1.setPath(directory);
    dialog.Text1.setText(name);

    const auto start = Clock::now();
    dialog.Command1.click();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    if (!program->screen.error.empty())
        state.SkipWithError(program->screen.error.c_str());
    else if (main.Image1.count() != expectedFrames)
        state.SkipWithError("the open built the wrong number of frames");
    return seconds;
}

void BM_Open(benchmark::State& state)
{
    const Animation& animation = Animation::instance();
    const auto threads = static_cast<unsigned>(state.range(0));
    const bench::FaultCount faults;
    for (auto _ : state)
        state.SetIterationTime(openOnce(state, animation.directory(), "anim.ani", threads,
                                        static_cast<int>(animation.pictures().size())));
    state.SetItemsProcessed(state.iterations() * animation.pictures().size());
    faults.report(state, double(state.iterations() * animation.pictures().size()));
    state.SetLabel(threads == 0 ? "one thread per core" : std::to_string(threads) + " thread(s)");
}
BENCHMARK(BM_Open)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

QString imageMagick()
{
    // The Debian binary itself, not a wrapper that might stand in front of it.
    for (const QString& candidate : { QStringLiteral("/usr/bin/convert-im6.q16"), QStringLiteral("/usr/bin/convert-im6") }) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return QStandardPaths::findExecutable(QStringLiteral("convert"));
}

// Runs ImageMagick over the files; returns its time in seconds, or a negative value with the
// error in `why`.
double runImageMagick(const QString& magick, const QStringList& arguments, std::string& why,
                      const QString& configuration = {})
{
    QProcess convert;
    if (!configuration.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MAGICK_CONFIGURE_PATH"), configuration);
        convert.setProcessEnvironment(environment);
    }
    const auto start = Clock::now();
    convert.start(magick, arguments);
    convert.waitForFinished(-1);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (convert.exitStatus() != QProcess::NormalExit || convert.exitCode() != 0) {
        why = convert.readAllStandardError().left(300).toStdString();
        return -1;
    }
    return seconds;
}

// One run of each over the same files: the parallel open, the serial open, and ImageMagick
// reading every file and throwing it away. The ratios are the others' times over the parallel
// open's.
void BM_OpenAgainstSerialAndImageMagick(benchmark::State& state)
{
    const Animation& animation = Animation::instance();
    const QString magick = imageMagick();
    if (magick.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    QTemporaryDir liftedPolicy;
    {
        QFile policy(liftedPolicy.filePath(QStringLiteral("policy.xml")));
        policy.open(QIODevice::WriteOnly);
        policy.write("<policymap>\n"
                     "  <policy domain=\"resource\" name=\"memory\" value=\"16GiB\"/>\n"
                     "  <policy domain=\"resource\" name=\"map\" value=\"16GiB\"/>\n"
                     "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                     "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                     "</policymap>\n");
    }
    const int frames = static_cast<int>(animation.pictures().size());
    double parallel = 0;
    double serial = 0;
    double imageMagickAll = 0;
    double imageMagickOneByOne = 0;
    bool allAtOnce = true;
    std::int64_t openFaults = 0;
    double openCpu = 0;
    for (auto _ : state) {
        const bench::FaultCount faults;
        const double cpu = bench::cpuSeconds();
        const double once = openOnce(state, animation.directory(), "anim.ani", 0, frames);
        parallel += once;
        serial += openOnce(state, animation.directory(), "anim.ani", 1, frames);
        openFaults += faults.faults();
        openCpu += bench::cpuSeconds() - cpu;

        // `convert f*.jpg null:` keeps every picture until the end, which Debian's resource
        // policy refuses for this many full-HD pictures (its pixel cache may use 1 GiB of disk).
        // A policy of the benchmark's own lifts the resource limits for this one process; the
        // figure taken one picture at a time, within the stock policy, is given too.
        std::string why;
        const double all = runImageMagick(magick, QStringList(animation.pictures()) << QStringLiteral("null:"), why,
                                          liftedPolicy.path());
        if (all < 0) {
            allAtOnce = false;
            state.SetLabel("convert f*.jpg null: failed: " + why);
        }
        else
            imageMagickAll += all;
        QStringList oneByOne;
        for (const QString& picture : animation.pictures().first(frames - 1))
            oneByOne << picture << QStringLiteral("-write") << QStringLiteral("null:") << QStringLiteral("+delete");
        oneByOne << animation.pictures().last() << QStringLiteral("null:");
        const double single = runImageMagick(magick, oneByOne, why);
        if (single < 0) {
            state.SkipWithError(why.c_str());
            return;
        }
        imageMagickOneByOne += single;
        state.SetIterationTime(once);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["parallel_s"] = parallel / runs;
    state.counters["serial_s"] = serial / runs;
    state.counters["serial_over_parallel"] = serial / parallel;
    if (allAtOnce) {
        state.counters["imagemagick_all_s"] = imageMagickAll / runs;
        state.counters["imagemagick_all_over_parallel"] = imageMagickAll / parallel;
    }
    state.counters["imagemagick_each_s"] = imageMagickOneByOne / runs;
    state.counters["imagemagick_each_over_parallel"] = imageMagickOneByOne / parallel;
    state.counters["frames"] = frames;
    // Both opens: the processor time they took, and the page faults per picture they decoded.
    state.counters["opens_cpu_s"] = openCpu / runs;
    state.counters["page_faults"] = double(openFaults) / runs;
    state.counters["faults_per_picture"] = double(openFaults) / runs / (2.0 * frames);
}
BENCHMARK(BM_OpenAgainstSerialAndImageMagick)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

// Many frames that all name one picture: the file is decoded once, whatever the frame count.
void BM_OpenOnePictureInManyFrames(benchmark::State& state)
{
    const Animation& animation = Animation::instance();
    const auto frames = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    std::string lines = std::to_string(frames) + "\r\n40\r\n";
    for (int i = 0; i < frames; ++i)
        lines += animation.pictures().first().toStdString() + "\r\n";
    std::ofstream(dir.filePath(QStringLiteral("many.ani")).toStdString(), std::ios::binary) << lines;
    for (auto _ : state)
        state.SetIterationTime(openOnce(state, dir.path().toStdString(), "many.ani", 0, frames));
}
BENCHMARK(BM_OpenOnePictureInManyFrames)->Arg(10000)->Arg(32768)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// One measured step in a child process of its own, so that its peak resident memory and its page
// faults are its own and not those of the steps before it.
struct Measured {
    double seconds = -1;
    int frames = 0;
    double peakMegabytes = 0;
    double pageFaults = 0;
};

template<typename Step>
Measured inChild(Step step)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        Measured measured;
        auto program = std::make_unique<Program>();
        const auto start = Clock::now();
        measured.frames = step(*program);
        measured.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!program->screen.error.empty())
            measured.seconds = -1;
        [[maybe_unused]] const ssize_t written = ::write(fds[1], &measured, sizeof measured);
        // The program is not torn down: that is no part of the measure, and the parent's Qt must
        // not be shut down twice.
        ::_exit(0);
    }
    ::close(fds[1]);
    Measured measured;
    if (child < 0 || ::read(fds[0], &measured, sizeof measured) != static_cast<ssize_t>(sizeof measured))
        measured.seconds = -1;
    ::close(fds[0]);
    rusage usage {};
    int status = 0;
    if (child > 0)
        ::wait4(child, &status, 0, &usage);
    measured.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    measured.pageFaults = double(usage.ru_minflt + usage.ru_majflt);
    return measured;
}

// The pictures of the animation dropped on the main window with no frame set yet, which builds one
// frame per picture, against Files > Open of the animation file naming the same pictures, and
// against the drop as it was, decoding on one thread. Each in a fresh program of its own process.
void BM_DropAgainstOpen(benchmark::State& state)
{
    const Animation& animation = Animation::instance();
    std::vector<std::string> paths;
    for (const QString& picture : animation.pictures())
        paths.push_back(picture.toStdString());
    const int frames = static_cast<int>(paths.size());
    Measured open;
    Measured drop;
    Measured serial;
    for (auto _ : state) {
        open = inChild([&](Program& program) {
            movelle::Form4& dialog = program.app.Form4();
            dialog.Dir1.setPath(animation.directory());
            dialog.Text1.setText("anim.ani");
            dialog.Command1.click();
            return program.app.Form1().frameCount();
        });
        drop = inChild([&](Program& program) {
            movelle::Form1& main = program.app.Form1();
            program.app.dispatch([&] { main.filesDropped(paths, nullptr); });
            return main.frameCount();
        });
        serial = inChild([&](Program& program) {
            movelle::Form1& main = program.app.Form1();
            program.app.dispatch([&] {
                const auto pictures = movelle::PictureFiles::read(program.app, paths, "not loaded", 1);
                main.putPictures(0, *pictures, paths, "not loaded");
            });
            return main.frameCount();
        });
        for (const Measured* measured : { &open, &drop, &serial }) {
            if (measured->seconds < 0 || measured->frames != frames) {
                state.SkipWithError("a step failed or built the wrong number of frames");
                return;
            }
        }
        state.SetIterationTime(drop.seconds);
    }
    state.counters["frames"] = frames;
    state.counters["open_fps"] = frames / open.seconds;
    state.counters["drop_fps"] = frames / drop.seconds;
    state.counters["serial_drop_fps"] = frames / serial.seconds;
    state.counters["drop_over_open"] = drop.seconds / open.seconds;
    state.counters["open_peak_MB"] = open.peakMegabytes;
    state.counters["drop_peak_MB"] = drop.peakMegabytes;
    state.counters["serial_drop_peak_MB"] = serial.peakMegabytes;
    state.counters["open_faults"] = open.pageFaults;
    state.counters["drop_faults"] = drop.pageFaults;
    state.counters["serial_drop_faults"] = serial.pageFaults;
    state.counters["store_budget_MB"] = double(pictures::PictureStore::defaultBudget()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_DropAgainstOpen)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

}
