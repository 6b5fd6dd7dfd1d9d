// SPDX-License-Identifier: MIT
#include "MetafileCorpus.h"

#include "pictures/MetafileCheck.h"
#include "pictures/MetafilePlayer.h"
#include "pictures/PictureReader.h"

#include <QFile>
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

pictures::test::CorpusRow MetafileCorpus::judge(const pictures::test::CorpusEntry& entry, const QString& corpusDir)
{
    const QString path = corpusDir + QLatin1Char('/') + entry.file;
    const pictures::Result<QImage> read = pictures::readPicture(path);
    pictures::test::CorpusRow row;
    row.decoded = read.ok();
    row.note = read.ok() ? QString() : QString::fromStdString(read.error().text());
    row.problem = read.ok() ? 0 : int(read.error().problem());
    row.picture = read.ok() ? read.value() : QImage();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        const auto checked = pictures::MetafileCheck::check(
            { reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()) });
        // A drawing beyond the limits is drawn smaller, in proportion.
        if (checked.ok() && checked->width > 0)
            row.headerSize = pictures::MetafilePlayer::fittedSize(checked->width, checked->height, {});
    }
    for (const auto& [who, reference] : entry.refs) {
        const QImage picture(corpusDir + QLatin1Char('/') + reference);
        if (!row.picture.isNull() && !picture.isNull()) {
            const Score score = compare(row.picture, picture);
            row.scores.push_back({ who, score.difference, score.blank, score.matches() });
        }
    }
    if (!row.decoded)
        return row;
    const auto match = std::find_if(row.scores.begin(), row.scores.end(), [](const auto& s) { return s.matches; });
    if (!row.headerSize.isEmpty() && row.picture.size() != row.headerSize)
        row.note = QStringLiteral("not the size the header gives");
    else if (match == row.scores.end())
        row.note = row.scores.empty() ? QStringLiteral("no reference") : QStringLiteral("no reference looks the same");
    else
        row.matchedRef = match->reference;
    row.matched = !row.matchedRef.isEmpty();
    return row;
}
