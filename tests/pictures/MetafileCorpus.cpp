// SPDX-License-Identifier: MIT
#include "MetafileCorpus.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

QImage onWhite(const QImage& picture)
{
    QImage canvas(picture.size(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.drawImage(0, 0, picture);
    p.end();
    return canvas.scaled(MetafileCorpus::side, MetafileCorpus::side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int channelDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Each pixel of `a` against the closest of the 3 x 3 pixels around the same place in `b`: a
// drawing shifted by a pixel at this size (a line, a glyph) is the same picture to a person.
double oneWay(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            int best = 3 * 255;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (b.valid(x + dx, y + dy))
                        best = std::min(best, channelDistance(p, b.pixel(x + dx, y + dy)));
                }
            }
            sum += best;
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

double meanDifference(const QImage& a, const QImage& b)
{
    return (oneWay(a, b) + oneWay(b, a)) / 2;
}


}

MetafileCorpus::Score MetafileCorpus::compare(const QImage& ours, const QImage& reference)
{
    const QImage a = onWhite(ours);
    const QImage b = onWhite(reference);
    QImage white(b.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    return { meanDifference(a, b), meanDifference(white, b) };
}
