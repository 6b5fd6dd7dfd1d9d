// SPDX-License-Identifier: MIT
#include "pictures/MetafileFonts.h"

#include "pictures/MetafileCanvas.h"

#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace pictures {

namespace {

// Fonts larger than this are drawn at it and scaled; the shapes are the same.
constexpr double largestPixelSize = 16384;
// The size the cell's share of the em is measured at: large enough to need no hinting.
constexpr int measuringPixelSize = 256;

struct Substitute {
    const char* face;
    const char* family;
};

constexpr std::array<Substitute, 6> substitutes { {
    { "Arial", "Liberation Sans" },
    { "Helvetica", "Liberation Sans" },
    { "Times New Roman", "Liberation Serif" },
    { "Times", "Liberation Serif" },
    { "Courier New", "Liberation Mono" },
    { "Courier", "Liberation Mono" },
} };

// Frequencies per thousand of the lower-case letters a to z, then of the space.
constexpr std::array<int, 27> letterWeights { 64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56, 56, 17, 4, 49,
    56, 71, 31, 10, 18, 3, 18, 2, 166 };

}

QStringList MetafileFonts::families(const QString& face)
{
    if (face.isEmpty())
        return { QStringLiteral("Sans Serif") };
    for (const Substitute& s : substitutes) {
        if (face.compare(QLatin1String(s.face), Qt::CaseInsensitive) == 0)
            return { QString::fromLatin1(s.family), face };
    }
    return { face };
}

double MetafileFonts::averageCharWidth(const QFontMetricsF& metrics)
{
    double sum = 0;
    for (std::size_t i = 0; i < letterWeights.size(); ++i) {
        const QChar c = i < 26 ? QChar(char16_t(u'a' + i)) : QChar(u' ');
        sum += metrics.horizontalAdvance(c) * letterWeights[i];
    }
    return sum / 1000;
}

MetafileFonts::Chosen MetafileFonts::choose(const MetafileFont& f, double sx, double sy, double defaultEm)
{
    Chosen chosen;
    QFont font;
    font.setFamilies(families(f.face));
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);

    double em = defaultEm;
    if (f.height < 0) {
        em = -f.height * sy;
    } else if (f.height > 0) {
        QFont measuring = font;
        measuring.setPixelSize(measuringPixelSize);
        const QFontMetricsF m(measuring);
        const double cellPerEm = (m.ascent() + m.descent()) / measuringPixelSize;
        em = f.height * sy / (cellPerEm > 0 ? cellPerEm : 1);
    }
    if (!std::isfinite(em) || em < 0.5 || em > largestPixelSize)
        return chosen;
    const int pixelSize = std::max(1, int(std::lround(em)));
    font.setPixelSize(pixelSize);
    chosen.scale = em / pixelSize;
    if (f.width > 0) {
        const double wanted = f.width * sx;
        const double natural = averageCharWidth(QFontMetricsF(font)) * chosen.scale;
        if (natural > 0)
            font.setStretch(std::clamp(int(std::lround(100 * wanted / natural)), 25, 400));
    }
    chosen.font = std::move(font);
    chosen.usable = true;
    return chosen;
}

}
