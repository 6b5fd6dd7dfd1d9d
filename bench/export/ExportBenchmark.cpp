// SPDX-License-Identifier: MIT
// `movelle export` against the programs people would use otherwise, in one run and on the same
// frames: ffmpeg encoding a PNG sequence with the same codec settings (MP4, WebM), ImageMagick's
// convert (GIF, with PSNR of the decoded frames against the source frames), and the peak resident
// memory of a long full-HD export. Every program runs as a child process; its wall time and peak
// RSS come from wait4().
//
// The frames are generated at start into a temporary directory:
//   MOVELLE_BENCH_FRAMES   frames of 1280x720 for the comparisons (300 unless told)
//   MOVELLE_BENCH_LONG     frames of 1920x1080 for the memory figure (2000 unless told); they
//                          cycle through 100 distinct pictures, never the same two in a row, so
//                          every frame is decoded and composed as a distinct picture would be.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
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
    state.counters["size_MB"] = static_cast<double>(QFileInfo(output).size()) / (1024.0 * 1024.0);
}

std::vector<std::string> exportCommand(const QString& animation, const QString& output)
{
    return { MOVELLE_PROGRAM, "export", animation.toStdString(), output.toStdString(), "--quiet" };
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

void gifBenchmark(benchmark::State& state, bool ours)
{
    FrameSet& frames = comparisonFrames();
    if (!ours && !onPath("convert")) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const QString output = frames.dir.filePath(ours ? QStringLiteral("out-movelle.gif") : QStringLiteral("out-convert.gif"));
    for (auto _ : state) {
        std::vector<std::string> command;
        if (ours) {
            command = exportCommand(frames.animation, output);
        } else {
            command = { "convert", "-delay", "4", "-loop", "0" };
            for (const QString& file : frames.files)
                command.push_back(file.toStdString());
            command.push_back(output.toStdString());
        }
        report(state, runChild(command, ours ? QString() : liftedPolicy(frames)), output);
    }
    state.counters["PSNR_dB"] = meanPsnr(output, frames.files);
}

void BM_GifMovelle(benchmark::State& state) { gifBenchmark(state, true); }
void BM_GifConvert(benchmark::State& state) { gifBenchmark(state, false); }

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

BENCHMARK(BM_Mp4Movelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Mp4Ffmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WebmMovelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_WebmFfmpeg)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_GifMovelle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_GifConvert)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdMp4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdGif)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_LongFullHdWebp)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}
