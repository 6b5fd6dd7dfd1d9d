// SPDX-License-Identifier: MIT
// `movelle export` against the programs people would use otherwise, in one run and on the same
// frames: ffmpeg encoding a PNG sequence with the same codec settings (MP4, WebM), ffmpeg's
// two-pass palette and ImageMagick's convert (GIF, with PSNR and SSIM of the decoded frames
// against the source frames), ffmpeg turning JPEGs into PNGs (PNG sequence), and the peak resident
// memory of a long full-HD export. Every program runs as a child process; its wall time, processor
// time, page faults and peak RSS come from wait4(). Two pairs compare more closely, running the
// two sides in turn three times and keeping the best of each: `movelle import` of a video against
// `ffmpeg -i in.mp4 out%04d.png`, and the export from the window (Files > Export..., through the
// function its OK calls) against `movelle export` of the same animation.
//
// The frames are generated at start into a temporary directory:
//   MOVELLE_BENCH_FRAMES   frames of 1280x720 for the comparisons (300 unless told)
//   MOVELLE_BENCH_LONG     frames of 1920x1080 for the memory figure (2000 unless told); they
//                          cycle through 100 distinct pictures, never the same two in a row, so
//                          every frame is decoded and composed as a distinct picture would be.
//   MOVELLE_BENCH_JPEGS    full-HD JPEGs for the PNG sequence pair (2000 unless told): 100
//                          distinct pictures under as many names, hard links in01.jpg, ...
//   MOVELLE_BENCH_PROGRAM  the movelle program to measure (the one built beside the benchmark
//                          unless told), to compare an older build in the same run.
//   MOVELLE_BENCH_VIDEO    the video `movelle import` reads (unless told, the comparison frames
//                          exported to MP4 by movelle at start).
#include "BenchProgram.h"
#include "dialogs/ExportScreen.h"
#include "export/ExportCommand.h"
#include "forms/Progress.h"
#include "shell/Form1.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One frame of a moving scene: a gradient sky, a ball crossing it and a few bars, so that
// encoders meet smooth areas, edges and motion.
QImage scene(int width, int height, int frame)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((frame * 2) % 360, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((frame * 2 + 180) % 360, 200, 120));
    p.fillRect(image.rect(), sky);
    for (int bar = 0; bar < 6; ++bar) {
        p.setBrush(QColor::fromHsv(bar * 60, 220, 200));
        p.setPen(Qt::NoPen);
        const int x = (bar * width / 6 + frame * 3) % width;
        p.drawRect(x, height * 2 / 3, width / 14, height / 3);
    }
    p.setBrush(QColor(250, 220, 40));
    const double t = frame / 60.0;
    p.drawEllipse(QPointF(width * (0.1 + 0.8 * std::fmod(t, 1.0)), height * (0.3 + 0.2 * std::sin(t * 6.28))),
                  height / 10.0, height / 10.0);
    p.setPen(Qt::white);
    QFont font;
    font.setPixelSize(height / 12);
    p.setFont(font);
    p.drawText(QPoint(width / 20, height / 8), QStringLiteral("Frame %1").arg(frame + 1));
    return image;
}

struct FrameSet {
    QTemporaryDir dir;
    QString animation;
    QString pattern;   // printf pattern of the PNGs, for ffmpeg
    QStringList files;
    int count = 0;
};

FrameSet& comparisonFrames()
{
    static FrameSet set = [] {
        FrameSet s;
        s.count = qEnvironmentVariableIsSet("MOVELLE_BENCH_FRAMES") ? qEnvironmentVariableIntValue("MOVELLE_BENCH_FRAMES") : 300;
        QString ani = QStringLiteral("%1\r\n40\r\n").arg(s.count);
        for (int i = 0; i < s.count; ++i) {
            const QString path = s.dir.filePath(QStringLiteral("frames/%1.png").arg(i + 1, 4, 10, QLatin1Char('0')));
            QDir().mkpath(s.dir.filePath(QStringLiteral("frames")));
            scene(1280, 720, i).save(path);
            s.files << path;
            ani += path + QStringLiteral("\r\n");
        }
        s.pattern = s.dir.filePath(QStringLiteral("frames/%04d.png"));
        s.animation = s.dir.filePath(QStringLiteral("frames.ani"));
        std::ofstream(s.animation.toStdString(), std::ios::binary) << ani.toStdString();
        return s;
    }();
    return set;
}

// Full-HD JPEGs under numbered names in%04d.jpg, for ffmpeg, and an animation showing each once.
FrameSet& jpegFrames()
{
    static FrameSet set = [] {
        FrameSet s;
        s.count = qEnvironmentVariableIsSet("MOVELLE_BENCH_JPEGS") ? qEnvironmentVariableIntValue("MOVELLE_BENCH_JPEGS") : 2000;
        constexpr int distinct = 100;
        QStringList pictures;
        for (int i = 0; i < distinct; ++i) {
            const QString path = s.dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
            scene(1920, 1080, i * 7).save(path, "JPEG", 90);
            pictures << path;
        }
        QDir().mkpath(s.dir.filePath(QStringLiteral("in")));
        QString ani = QStringLiteral("%1\r\n40\r\n").arg(s.count);
        for (int i = 0; i < s.count; ++i) {
            const QString path = s.dir.filePath(QStringLiteral("in/in%1.jpg").arg(i + 1, 4, 10, QLatin1Char('0')));
            ::link(pictures[(i * 37) % distinct].toLocal8Bit().constData(), path.toLocal8Bit().constData());
            s.files << path;
            ani += path + QStringLiteral("\r\n");
        }
        s.pattern = s.dir.filePath(QStringLiteral("in/in%04d.jpg"));
        s.animation = s.dir.filePath(QStringLiteral("jpegs.ani"));
        std::ofstream(s.animation.toStdString(), std::ios::binary) << ani.toStdString();
        return s;
    }();
    return set;
}

FrameSet& longFrames()
{
    static FrameSet set = [] {
        FrameSet s;
        s.count = qEnvironmentVariableIsSet("MOVELLE_BENCH_LONG") ? qEnvironmentVariableIntValue("MOVELLE_BENCH_LONG") : 2000;
        constexpr int distinct = 100;
        for (int i = 0; i < distinct; ++i) {
            const QString path = s.dir.filePath(QStringLiteral("hd%1.png").arg(i, 3, 10, QLatin1Char('0')));
            scene(1920, 1080, i * 7).save(path);
            s.files << path;
        }
        QString ani = QStringLiteral("%1\r\n40\r\n").arg(s.count);
        for (int i = 0; i < s.count; ++i)
            ani += s.files[(i * 37) % distinct] + QStringLiteral("\r\n");
        s.animation = s.dir.filePath(QStringLiteral("long.ani"));
        std::ofstream(s.animation.toStdString(), std::ios::binary) << ani.toStdString();
        return s;
    }();
    return set;
}

struct ChildRun {
    int status = -1;
    double seconds = 0;
    double peakMegabytes = 0;
    // User and system time of the child and its threads: steadier than the wall time on a
    // machine that other work loads.
    double cpuSeconds = 0;
    // Minor and major page faults of the child and its threads.
    long pageFaults = 0;
};

ChildRun runChild(const std::vector<std::string>& command, const QString& magickConfiguration = {})
{
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        if (!magickConfiguration.isEmpty())
            ::setenv("MAGICK_CONFIGURE_PATH", magickConfiguration.toLocal8Bit().constData(), 1);
        std::vector<char*> argv;
        for (const std::string& a : command)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.pageFaults = usage.ru_minflt + usage.ru_majflt;
    return run;
}

bool onPath(const char* program)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

// The duration the container reports, by ffprobe.
double probedSeconds(const QString& file)
{
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                             QStringLiteral("format=duration"), QStringLiteral("-of"),
                                             QStringLiteral("default=nw=1:nk=1"), file });
    probe.waitForFinished(-1);
    return probe.readAllStandardOutput().trimmed().toDouble();
}

// Mean PSNR in dB of an animated picture's frames against the source frames, over RGB.
double meanPsnr(const QString& file, const QStringList& sources)
{
    QImageReader reader(file);
    double total = 0;
    int frames = 0;
    for (const QString& source : sources) {
        const QImage decoded = reader.read().convertToFormat(QImage::Format_RGB32);
        const QImage original = QImage(source).convertToFormat(QImage::Format_RGB32);
        if (decoded.size() != original.size())
            return 0;
        double squares = 0;
        for (int y = 0; y < original.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(original.constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
            for (int x = 0; x < original.width(); ++x) {
                const int dr = qRed(a[x]) - qRed(b[x]);
                const int dg = qGreen(a[x]) - qGreen(b[x]);
                const int db = qBlue(a[x]) - qBlue(b[x]);
                squares += dr * dr + dg * dg + db * db;
            }
        }
        const double mse = squares / (3.0 * original.width() * original.height());
        total += mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
        ++frames;
    }
    return frames ? total / frames : 0;
}

// Mean SSIM of an animated picture's frames against the source frames, on luma over 8x8 windows
// stepping by 4, averaged over the windows and then the frames.
double meanSsim(const QString& file, const QStringList& sources)
{
    QImageReader reader(file);
    double total = 0;
    int frames = 0;
    auto luma = [](const QImage& image) {
        std::vector<double> y(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
        for (int row = 0; row < image.height(); ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
            for (int x = 0; x < image.width(); ++x)
                y[static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width()) + static_cast<std::size_t>(x)] =
                    0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]);
        }
        return y;
    };
    constexpr double c1 = (0.01 * 255) * (0.01 * 255);
    constexpr double c2 = (0.03 * 255) * (0.03 * 255);
    for (const QString& source : sources) {
        const QImage decoded = reader.read().convertToFormat(QImage::Format_RGB32);
        const QImage original = QImage(source).convertToFormat(QImage::Format_RGB32);
        if (decoded.size() != original.size())
            return 0;
        const std::vector<double> a = luma(original);
        const std::vector<double> b = luma(decoded);
        const int w = original.width();
        double sum = 0;
        int windows = 0;
        for (int y0 = 0; y0 + 8 <= original.height(); y0 += 4) {
            for (int x0 = 0; x0 + 8 <= w; x0 += 4) {
                double ma = 0, mb = 0, va = 0, vb = 0, cov = 0;
                for (int y = y0; y < y0 + 8; ++y) {
                    for (int x = x0; x < x0 + 8; ++x) {
                        const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
                        ma += a[i];
                        mb += b[i];
                        va += a[i] * a[i];
                        vb += b[i] * b[i];
                        cov += a[i] * b[i];
                    }
                }
                ma /= 64;
                mb /= 64;
                va = va / 64 - ma * ma;
                vb = vb / 64 - mb * mb;
                cov = cov / 64 - ma * mb;
                sum += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
                ++windows;
            }
        }
        total += windows ? sum / windows : 1;
        ++frames;
    }
    return frames ? total / frames : 0;
}

void report(benchmark::State& state, const ChildRun& run, const QString& output)
{
    if (run.status != 0) {
        state.SkipWithError("the program failed");
        return;
    }
    state.SetIterationTime(run.seconds);
    state.counters["seconds"] = run.seconds;
    state.counters["cpu_s"] = run.cpuSeconds;
    state.counters["peak_MB"] = run.peakMegabytes;
    state.counters["page_faults"] = static_cast<double>(run.pageFaults);
    double load = 0;
    if (::getloadavg(&load, 1) == 1)
        state.counters["load"] = load;
    state.counters["size_MB"] = static_cast<double>(QFileInfo(output).size()) / (1024.0 * 1024.0);
}

std::string movelleProgram()
{
    const QByteArray program = qgetenv("MOVELLE_BENCH_PROGRAM");
    return program.isEmpty() ? std::string(MOVELLE_PROGRAM) : program.toStdString();
}

std::vector<std::string> exportCommand(const QString& animation, const QString& output)
{
    return { movelleProgram(), "export", animation.toStdString(), output.toStdString(), "--quiet" };
}

// The codec settings of our encoder, spelled for the ffmpeg program.
const std::vector<std::string> h264 { "-c:v", "libx264", "-preset", "medium", "-crf", "23", "-rc-lookahead", "20",
                                      "-pix_fmt", "yuv420p" };
const std::vector<std::string> vp9 { "-c:v", "libvpx-vp9", "-crf", "31", "-b:v", "0", "-deadline", "good",
                                     "-cpu-used", "4", "-row-mt", "1", "-pix_fmt", "yuv420p" };

void videoBenchmark(benchmark::State& state, const char* extension, bool ours)
{
    FrameSet& frames = comparisonFrames();
    if (!ours && !onPath("ffmpeg")) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    const QString output = frames.dir.filePath(QStringLiteral("out-%1.%2").arg(ours ? "movelle" : "ffmpeg", extension));
    for (auto _ : state) {
        std::vector<std::string> command;
        if (ours) {
            command = exportCommand(frames.animation, output);
        } else {
            command = { "ffmpeg", "-y", "-v", "error", "-framerate", "25", "-i", frames.pattern.toStdString() };
            const auto& codec = QString::fromLatin1(extension) == QLatin1String("mp4") ? h264 : vp9;
            command.insert(command.end(), codec.begin(), codec.end());
            command.push_back(output.toStdString());
        }
        const ChildRun run = runChild(command);
        report(state, run, output);
    }
    state.counters["video_s"] = probedSeconds(output);
}

void BM_Mp4Movelle(benchmark::State& state) { videoBenchmark(state, "mp4", true); }
void BM_Mp4Ffmpeg(benchmark::State& state) { videoBenchmark(state, "mp4", false); }
void BM_WebmMovelle(benchmark::State& state) { videoBenchmark(state, "webm", true); }
void BM_WebmFfmpeg(benchmark::State& state) { videoBenchmark(state, "webm", false); }

// Debian's ImageMagick policy caps its pixel cache (256 MiB of memory, 1 GiB of disk), which
// hundreds of HD frames held at once exceed; a policy of the benchmark's own lifts the caps for
// that one process.
QString liftedPolicy(FrameSet& frames)
{
    const QString directory = frames.dir.filePath(QStringLiteral("magick"));
    QDir().mkpath(directory);
    QFile policy(directory + QStringLiteral("/policy.xml"));
    policy.open(QIODevice::WriteOnly);
    policy.write("<policymap>\n"
                 "  <policy domain=\"resource\" name=\"memory\" value=\"16GiB\"/>\n"
                 "  <policy domain=\"resource\" name=\"map\" value=\"16GiB\"/>\n"
                 "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                 "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                 "</policymap>\n");
    return directory;
}

enum class GifMaker { Movelle, Convert, Ffmpeg };

void gifBenchmark(benchmark::State& state, GifMaker maker)
{
    FrameSet& frames = comparisonFrames();
    if (maker != GifMaker::Movelle && !onPath(maker == GifMaker::Convert ? "convert" : "ffmpeg")) {
        state.SkipWithError(maker == GifMaker::Convert ? "ImageMagick is not installed" : "ffmpeg is not installed");
        return;
    }
    const char* names[] = { "movelle", "convert", "ffmpeg" };
    const QString output = frames.dir.filePath(QStringLiteral("out-%1.gif").arg(names[static_cast<int>(maker)]));
    for (auto _ : state) {
        std::vector<std::string> command;
        switch (maker) {
        case GifMaker::Movelle:
            command = exportCommand(frames.animation, output);
            break;
        case GifMaker::Convert:
            command = { "convert", "-delay", "4", "-loop", "0" };
            for (const QString& file : frames.files)
                command.push_back(file.toStdString());
            command.push_back(output.toStdString());
            break;
        case GifMaker::Ffmpeg: {
            // The two passes people use: one palette for the whole animation from every frame,
            // then the frames mapped onto it (with ffmpeg's default dithering). One shell runs
            // both, so its resource use covers the two.
            const std::string palette = frames.dir.filePath(QStringLiteral("palette.png")).toStdString();
            const std::string input = "-framerate 25 -i '" + frames.pattern.toStdString() + "'";
            command = { "sh", "-c",
                        "ffmpeg -v error -y " + input + " -vf palettegen '" + palette + "' && ffmpeg -v error -y "
                            + input + " -i '" + palette + "' -lavfi paletteuse '" + output.toStdString() + "'" };
            break;
        }
        }
        report(state, runChild(command, maker == GifMaker::Convert ? liftedPolicy(frames) : QString()), output);
    }
    state.counters["PSNR_dB"] = meanPsnr(output, frames.files);
    state.counters["SSIM"] = meanSsim(output, frames.files);
}

void BM_GifMovelle(benchmark::State& state) { gifBenchmark(state, GifMaker::Movelle); }
void BM_GifFfmpeg(benchmark::State& state) { gifBenchmark(state, GifMaker::Ffmpeg); }
void BM_GifConvert(benchmark::State& state) { gifBenchmark(state, GifMaker::Convert); }

// A folder of JPEGs to a PNG sequence: ours against `ffmpeg -i in%04d.jpg out%04d.png`.
void pngSequenceBenchmark(benchmark::State& state, bool ours)
{
    FrameSet& frames = jpegFrames();
    if (!ours && !onPath("ffmpeg")) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    const QString directory = frames.dir.filePath(ours ? QStringLiteral("png-movelle") : QStringLiteral("png-ffmpeg"));
    for (auto _ : state) {
        QDir(directory).removeRecursively();
        QDir().mkpath(directory);
        std::vector<std::string> command;
        if (ours)
            command = exportCommand(frames.animation, directory + QStringLiteral("/out%04d.png"));
        else
            command = { "ffmpeg", "-v", "error", "-y", "-i", frames.pattern.toStdString(),
                        (directory + QStringLiteral("/out%04d.png")).toStdString() };
        const ChildRun run = runChild(command);
        report(state, run, directory + QStringLiteral("/out0001.png"));
        qint64 bytes = 0;
        for (const QFileInfo& file : QDir(directory).entryInfoList(QDir::Files))
            bytes += file.size();
        state.counters["size_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    }
    state.counters["frames"] = frames.count;
}

void BM_PngSequenceMovelle(benchmark::State& state) { pngSequenceBenchmark(state, true); }
void BM_PngSequenceFfmpeg(benchmark::State& state) { pngSequenceBenchmark(state, false); }

void longBenchmark(benchmark::State& state, const char* extension)
{
    FrameSet& frames = longFrames();
    const QString output = frames.dir.filePath(QStringLiteral("long.%1").arg(extension));
    for (auto _ : state)
        report(state, runChild(exportCommand(frames.animation, output)), output);
    state.counters["frames"] = frames.count;
}

void BM_LongFullHdMp4(benchmark::State& state) { longBenchmark(state, "mp4"); }
void BM_LongFullHdGif(benchmark::State& state) { longBenchmark(state, "gif"); }
void BM_LongFullHdWebp(benchmark::State& state) { longBenchmark(state, "webp"); }

// The processor time (user and system, every thread, ended ones too) this process has used.
double ownCpuSeconds()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The best wall and processor times of one side of a pair, over its rounds: what other work on
// the machine adds only ever makes a run slower.
struct Best {
    double seconds = 0;
    double cpuSeconds = 0;
    int runs = 0;
    void add(double wall, double cpu)
    {
        seconds = runs == 0 ? wall : std::min(seconds, wall);
        cpuSeconds = runs == 0 ? cpu : std::min(cpuSeconds, cpu);
        ++runs;
    }
};

constexpr int pairRounds = 3;

// Each side goes first in turn, so that neither always meets the other's warm caches.
template <typename Side> void interleaved(Side side)
{
    for (int round = 0; round < pairRounds; ++round) {
        side(round % 2 == 0);
        side(round % 2 != 0);
    }
}

void reportPair(benchmark::State& state, const char* ours, const Best& a, const char* theirs, const Best& b)
{
    state.SetIterationTime(a.seconds);
    state.counters[std::string(ours) + "_s"] = a.seconds;
    state.counters[std::string(ours) + "_cpu_s"] = a.cpuSeconds;
    if (b.runs > 0) {
        state.counters[std::string(theirs) + "_s"] = b.seconds;
        state.counters[std::string(theirs) + "_cpu_s"] = b.cpuSeconds;
        state.counters["wall_ratio"] = a.seconds / b.seconds;
        state.counters["cpu_ratio"] = a.cpuSeconds / b.cpuSeconds;
    }
    double load = 0;
    if (::getloadavg(&load, 1) == 1)
        state.counters["load"] = load;
}

qint64 folderBytes(const QString& directory)
{
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(directory).entryInfoList({ QStringLiteral("*.png") }, QDir::Files))
        bytes += file.size();
    return bytes;
}

// The largest difference of one colour channel between the frames of two PNG sequences, taken in
// name order; -1 when their counts or sizes differ.
int largestDifference(const QString& one, const QString& other)
{
    const QStringList a = QDir(one).entryList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name);
    const QStringList b = QDir(other).entryList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name);
    if (a.size() != b.size() || a.isEmpty())
        return -1;
    int largest = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QImage x = QImage(one + QLatin1Char('/') + a[i]).convertToFormat(QImage::Format_RGB32);
        const QImage y = QImage(other + QLatin1Char('/') + b[i]).convertToFormat(QImage::Format_RGB32);
        if (x.size() != y.size() || x.isNull())
            return -1;
        for (int row = 0; row < x.height(); ++row) {
            const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
            const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
            for (int column = 0; column < x.width(); ++column) {
                largest = std::max({ largest, std::abs(qRed(p[column]) - qRed(q[column])),
                                     std::abs(qGreen(p[column]) - qGreen(q[column])),
                                     std::abs(qBlue(p[column]) - qBlue(q[column])) });
            }
        }
    }
    return largest;
}

const QString& importedVideo()
{
    static const QString video = [] {
        const QByteArray named = qgetenv("MOVELLE_BENCH_VIDEO");
        if (!named.isEmpty())
            return QString::fromLocal8Bit(named);
        FrameSet& frames = comparisonFrames();
        const QString made = frames.dir.filePath(QStringLiteral("import-source.mp4"));
        runChild(exportCommand(frames.animation, made));
        return made;
    }();
    return video;
}

// `movelle import video.mp4 out.ani` against `ffmpeg -i video.mp4 out%04d.png`: the same frames
// as PNG files, best of three each, and how far their pixels differ.
void BM_ImportAgainstFfmpeg(benchmark::State& state)
{
    const QString& video = importedVideo();
    if (!QFileInfo::exists(video)) {
        state.SkipWithError("no video to import");
        return;
    }
    const bool ffmpeg = onPath("ffmpeg");
    if (!ffmpeg)
        state.SetLabel("ffmpeg is not installed: movelle import alone");
    const QTemporaryDir dir;
    const QString animation = dir.filePath(QStringLiteral("imported.ani"));
    const QString ours = dir.filePath(QStringLiteral("imported-frames"));
    const QString theirs = dir.filePath(QStringLiteral("ffmpeg"));
    Best movelle;
    Best peer;
    bool failed = false;
    for (auto _ : state) {
        interleaved([&](bool movelleNow) {
            if (failed || (!movelleNow && !ffmpeg))
                return;
            if (movelleNow) {
                QDir(ours).removeRecursively();
                QFile::remove(animation);
                const ChildRun run = runChild({ movelleProgram(), "import", video.toStdString(),
                                                animation.toStdString(), "--quiet" });
                failed = run.status != 0;
                movelle.add(run.seconds, run.cpuSeconds);
            } else {
                QDir(theirs).removeRecursively();
                QDir().mkpath(theirs);
                const ChildRun run = runChild({ "ffmpeg", "-v", "error", "-y", "-i", video.toStdString(),
                                                (theirs + QStringLiteral("/out%04d.png")).toStdString() });
                failed = run.status != 0;
                peer.add(run.seconds, run.cpuSeconds);
            }
        });
        if (failed) {
            state.SkipWithError("a program failed");
            return;
        }
        reportPair(state, "movelle", movelle, "ffmpeg", peer);
    }
    state.counters["frames"] = static_cast<double>(QDir(ours).entryList({ QStringLiteral("*.png") }, QDir::Files).size());
    state.counters["movelle_MB"] = static_cast<double>(folderBytes(ours)) / (1024.0 * 1024.0);
    if (ffmpeg) {
        state.counters["ffmpeg_MB"] = static_cast<double>(folderBytes(theirs)) / (1024.0 * 1024.0);
        state.counters["largest_difference"] = largestDifference(ours, theirs);
    }
}

// Files > Export... to MP4 against `movelle export` of the same animation: the window's side is
// the whole program without a display, its frames named in the window (as loading them leaves
// them), and "OK" clicked in the dialog, which hands the export engine to a worker thread and
// runs the event loop with the progress until it ends. Its figures run from the click to the
// dialog's return, in this process; the command's are the whole child process.
void BM_Mp4WindowAgainstCommand(benchmark::State& state)
{
    FrameSet& frames = comparisonFrames();
    // As the program's main() quietens FFmpeg, whose encoders would otherwise tell standard error
    // their statistics.
    av_log_set_level(AV_LOG_ERROR);
    bench::Shown program;
    // The engine as the program's main() hands it to the window.
    program.app.setExporter([](const std::vector<std::string>& arguments, forms::Progress& progress) {
        return exporter::ExportCommand::exportForWindow(arguments, progress.cancelFlag(),
                                                        [&progress](int done, int total) {
                                                            progress.setTotal(total);
                                                            progress.setDone(done);
                                                        });
    });
    movelle::Form1& main = program.app.Form1();
    bench::build(main, frames.count, 40);
    for (int i = 0; i < frames.count; ++i)
        main.x(i).setCaption(frames.files[i].toStdString());
    const QString fromWindow = frames.dir.filePath(QStringLiteral("window.mp4"));
    const QString fromCommand = frames.dir.filePath(QStringLiteral("command.mp4"));
    movelle::ExportScreen& dialog = program.app.ExportScreen();
    Best window;
    Best command;
    bool failed = false;
    for (auto _ : state) {
        interleaved([&](bool windowNow) {
            if (failed)
                return;
            if (windowNow) {
                QFile::remove(fromWindow);
                program.app.showExportScreen();
                dialog.Text1.setText(fromWindow.toStdString());
                dialog.Combo1.setText("MP4");
                const double cpu = ownCpuSeconds();
                const auto start = std::chrono::steady_clock::now();
                dialog.Command1.click();
                const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                window.add(seconds, ownCpuSeconds() - cpu);
                failed = !QFileInfo::exists(fromWindow);
            } else {
                QFile::remove(fromCommand);
                const ChildRun run = runChild(exportCommand(frames.animation, fromCommand));
                command.add(run.seconds, run.cpuSeconds);
                failed = run.status != 0;
            }
        });
        if (failed) {
            state.SkipWithError("an export failed");
            return;
        }
        reportPair(state, "window", window, "command", command);
    }
    state.counters["window_MB"] = static_cast<double>(QFileInfo(fromWindow).size()) / (1024.0 * 1024.0);
    state.counters["command_MB"] = static_cast<double>(QFileInfo(fromCommand).size()) / (1024.0 * 1024.0);
    state.counters["video_s"] = probedSeconds(fromWindow);
}

BENCHMARK(BM_Mp4Movelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mp4Ffmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WebmMovelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WebmFfmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_GifMovelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_GifFfmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_GifConvert)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PngSequenceMovelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PngSequenceFfmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdMp4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdGif)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdWebp)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ImportAgainstFfmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mp4WindowAgainstCommand)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}
