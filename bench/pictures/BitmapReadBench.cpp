// SPDX-License-Identifier: MIT
// Our bitmap reader against Qt's on the same bytes in memory: a 1920x1080 24-bit BMP and a
// 1920x1080 RLE8 bitmap. This program must not link readPicture(): that registers our readers
// under Qt's "bmp" key, and Qt's own reader would no longer be reachable for the comparison.
#include "pictures/DibReader.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

QImage scene()
{
    // A drawing rather than noise: what a frame of an animation looks like, with runs for RLE.
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv((i * 37) % 360, 200, 230));
        p.drawEllipse(QPoint((i * 331) % 1920, (i * 173) % 1080), 40 + i * 3, 30 + i * 2);
    }
    return image;
}

QByteArray bmp24()
{
    static const QByteArray bytes = [] {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        scene().convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
        return out;
    }();
    return bytes;
}

void put16(QByteArray& d, int at, quint32 v)
{
    d[at] = char(v & 0xff);
    d[at + 1] = char(v >> 8);
}

void put32(QByteArray& d, int at, quint32 v)
{
    put16(d, at, v & 0xffff);
    put16(d, at + 2, v >> 16);
}

// An RLE8 file of the scene in 256 colours: runs of equal pixels, bottom row first.
QByteArray bmpRle8()
{
    static const QByteArray bytes = [] {
        const QImage indexed = scene().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        QByteArray pixels;
        for (int y = indexed.height() - 1; y >= 0; --y) {
            const uchar* line = indexed.constScanLine(y);
            for (int x = 0; x < indexed.width();) {
                int run = 1;
                while (x + run < indexed.width() && run < 255 && line[x + run] == line[x])
                    ++run;
                pixels += char(run);
                pixels += char(line[x]);
                x += run;
            }
            pixels += QByteArray("\0\0", 2);
        }
        pixels += QByteArray("\0\1", 2);
        QByteArray file(14 + 40 + 1024, '\0');
        file[0] = 'B';
        file[1] = 'M';
        put32(file, 2, quint32(file.size() + pixels.size()));
        put32(file, 10, 14 + 40 + 1024);
        put32(file, 14, 40);
        put32(file, 18, quint32(indexed.width()));
        put32(file, 22, quint32(indexed.height()));
        put16(file, 26, 1);
        put16(file, 28, 8);
        put32(file, 30, 1);
        put32(file, 34, quint32(pixels.size()));
        const QList<QRgb> colours = indexed.colorTable();
        for (int i = 0; i < colours.size(); ++i)
            put32(file, 54 + 4 * i, colours[i] & 0xffffff);
        return file + pixels;
    }();
    return bytes;
}

void ours(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        const pictures::Result<QImage> r = pictures::decodeBmp(QByteArrayView(bytes), {});
        if (!r.ok()) {
            state.SkipWithError(r.error().message().c_str());
            return;
        }
        benchmark::DoNotOptimize(r.value().constBits());
    }
}

void qts(benchmark::State& state, QByteArray bytes)
{
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        const QImage image = reader.read();
        if (image.isNull()) {
            state.SkipWithError("Qt could not read it");
            return;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_OurBmp24(benchmark::State& state) { ours(state, bmp24()); }
void BM_QtBmp24(benchmark::State& state) { qts(state, bmp24()); }
void BM_OurBmpRle8(benchmark::State& state) { ours(state, bmpRle8()); }
void BM_QtBmpRle8(benchmark::State& state) { qts(state, bmpRle8()); }

BENCHMARK(BM_OurBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurBmpRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtBmpRle8)->Unit(benchmark::kMillisecond);

}
