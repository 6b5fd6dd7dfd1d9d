// SPDX-License-Identifier: MIT
// `movelle export` against the programs people would use otherwise, in one run and on the same
// frames: ffmpeg encoding a PNG sequence with the same codec settings (MP4, WebM), ffmpeg's
// two-pass palette and ImageMagick's convert (GIF, with PSNR and SSIM of the decoded frames
// against the source frames), ffmpeg turning JPEGs into PNGs (PNG sequence), and the peak resident
// memory of a long full-HD export. Every program runs as a child process; its wall time, processor
// time, page faults and peak RSS come from wait4().
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

std::vector<std::string> exportCommand(const QString& animation, const QString& output)
{
    const QByteArray program = qgetenv("MOVELLE_BENCH_PROGRAM");
    return { program.isEmpty() ? std::string(MOVELLE_PROGRAM) : program.toStdString(), "export",
             animation.toStdString(), output.toStdString(), "--quiet" };
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

}
