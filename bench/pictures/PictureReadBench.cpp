// SPDX-License-Identifier: MIT
// Decode throughput of readPicture: full-HD JPEGs (the common case for a frame) and metafiles
// (played in process; every WMF and EMF of the corpus for the mean opening time), and the JPEG
// figure against ImageMagick on the same files.
//
// MOVELLE_BENCH_JPEGS sets how many JPEGs to make (200 unless told).
#include "PageFaults.h"
#include "pictures/PictureReader.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

class JpegSet {
public:
    static JpegSet& instance()
    {
        static JpegSet set;
        return set;
    }
    const QStringList& files() const { return m_files; }
    QString dir() const { return m_dir.path(); }
    qint64 bytes() const { return m_bytes; }

private:
    JpegSet()
    {
        const int count = qEnvironmentVariableIsSet("MOVELLE_BENCH_JPEGS") ? qEnvironmentVariableIntValue("MOVELLE_BENCH_JPEGS") : 200;
        QRandomGenerator random(1);
        for (int i = 0; i < count; ++i) {
            // Gradients, shapes and noise: something a JPEG encoder has to work at, unlike a flat fill.
            QImage image(1920, 1080, QImage::Format_RGB32);
            QPainter p(&image);
            QLinearGradient g(0, 0, 1920, 1080);
            g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 200, 230));
            g.setColorAt(1, QColor::fromHsv((i * 91) % 360, 160, 90));
            p.fillRect(image.rect(), g);
            for (int s = 0; s < 40; ++s) {
                p.setBrush(QColor::fromRgb(random.generate()));
                p.drawEllipse(QPoint(random.bounded(1920), random.bounded(1080)), random.bounded(200), random.bounded(200));
            }
            p.end();
            for (int y = 0; y < 1080; y += 3) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < 1920; x += 5)
                    line[x] ^= random.generate() & 0x0f0f0f;
            }
            const QString path = m_dir.filePath(QStringLiteral("f%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            image.save(path, "JPEG", 85);
            m_files << path;
            m_bytes += QFileInfo(path).size();
        }
    }
    QTemporaryDir m_dir;
    QStringList m_files;
    qint64 m_bytes = 0;
};

void readAll(benchmark::State& state, const QStringList& files)
{
    const bench::FaultCount faults;
    for (auto _ : state) {
        for (const QString& f : files) {
            const pictures::Result<QImage> r = pictures::readPicture(f);
            if (!r) {
                state.SkipWithError(r.error().text().c_str());
                return;
            }
            benchmark::DoNotOptimize(r->constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
    faults.report(state, double(state.iterations() * files.size()));
}

void BM_ReadJpeg1080p(benchmark::State& state)
{
    const JpegSet& set = JpegSet::instance();
    readAll(state, set.files());
    state.SetBytesProcessed(state.iterations() * set.bytes());
}
BENCHMARK(BM_ReadJpeg1080p)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ReadMetafiles(benchmark::State& state)
{
    const QString data = QStringLiteral(MOVELLE_PICTURES_DATA "/");
    readAll(state, { data + QStringLiteral("drawing.wmf"), data + QStringLiteral("drawing-plain.wmf"),
                       data + QStringLiteral("drawing.emf") });
}
BENCHMARK(BM_ReadMetafiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every WMF and EMF of the picture corpus that the program opens, as Load Frame opens them; the
// time per item is the mean opening time of a metafile.
void BM_OpenCorpusMetafiles(benchmark::State& state)
{
    QStringList files;
    const QDir corpus(QStringLiteral(MOVELLE_PICTURE_CORPUS));
    for (const QString& folder : { QStringLiteral("libwmf"), QStringLiteral("pillow"), QStringLiteral("libemf2svg/emf"),
             QStringLiteral("libemf2svg/emf-ea") }) {
        const QDir dir(corpus.filePath(folder));
        for (const QString& name : dir.entryList({ QStringLiteral("*.wmf"), QStringLiteral("*.emf") }, QDir::Files)) {
            if (pictures::readPicture(dir.filePath(name)).ok())
                files << dir.filePath(name);
        }
    }
    if (files.isEmpty()) {
        state.SkipWithError("no corpus at " MOVELLE_PICTURE_CORPUS);
        return;
    }
    readAll(state, files);
    state.counters["files"] = double(files.size());
}
BENCHMARK(BM_OpenCorpusMetafiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

QString imageMagick()
{
    // The Debian binary itself, not a wrapper script that might stand in front of it.
    for (const QString& candidate : { QStringLiteral("/usr/bin/convert-im6.q16"), QStringLiteral("/usr/bin/convert-im6") }) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return QStandardPaths::findExecutable(QStringLiteral("convert"));
}

// One run of each over the same files: ours in-process, ImageMagick's convert as one process
// that reads every file and throws it away. The ratio is ImageMagick's time over ours.
void BM_JpegAgainstImageMagick(benchmark::State& state)
{
    const JpegSet& set = JpegSet::instance();
    const QString magick = imageMagick();
    if (magick.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    using Clock = std::chrono::steady_clock;
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const auto a = Clock::now();
        for (const QString& f : set.files())
            benchmark::DoNotOptimize(pictures::readPicture(f).ok());
        const auto b = Clock::now();
        // Each picture is written to null: and dropped before the next is read, so ImageMagick
        // holds one picture at a time, as we do, and stays inside its resource policy.
        QStringList arguments;
        for (const QString& f : set.files().first(set.files().size() - 1))
            arguments << f << QStringLiteral("-write") << QStringLiteral("null:") << QStringLiteral("+delete");
        arguments << set.files().last() << QStringLiteral("null:");
        QProcess convert;
        convert.start(magick, arguments);
        convert.waitForFinished(-1);
        const auto c = Clock::now();
        if (convert.exitCode() != 0) {
            state.SkipWithError(convert.readAllStandardError().left(300).constData());
            return;
        }
        ours += std::chrono::duration<double>(b - a).count();
        theirs += std::chrono::duration<double>(c - b).count();
    }
    state.counters["ours_s"] = ours / double(state.iterations());
    state.counters["imagemagick_s"] = theirs / double(state.iterations());
    state.counters["imagemagick_over_ours"] = ours > 0 ? theirs / ours : 0;
    state.counters["files"] = double(set.files().size());
}
BENCHMARK(BM_JpegAgainstImageMagick)->Unit(benchmark::kMillisecond)->Iterations(1);

}
