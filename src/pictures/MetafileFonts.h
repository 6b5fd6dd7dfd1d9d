// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QStringList>

class QFontMetricsF;

namespace pictures {

struct MetafileFont;

// How the font a metafile describes (a LOGFONT: height, width, weight, face name) becomes a Qt
// font of the size Windows would have drawn.
class MetafileFonts {
public:
    struct Chosen {
        QFont font;
        // The font has a whole pixel size; drawn `scale` times larger, it has the size wanted.
        double scale = 1;
        bool usable = false;
    };

    // `sx` and `sy` take logical units to picture pixels; `defaultEm` is the size of a font that
    // names none. A negative height is the characters' height (the em), a positive one the
    // cell's (ascent and descent), of which the em is a part that depends on the font.
    static Chosen choose(const MetafileFont& font, double sx, double sy, double defaultEm);

    // The families to ask for: for the faces Windows files name most, the metric-compatible font
    // first (same advance widths, so text fills the space the file measured for it), then the
    // name itself.
    static QStringList families(const QString& face);

    // The average advance of the lower-case letters and the space, weighted by how often they
    // occur, as Windows measures a font's average character width for a LOGFONT's width. A
    // font's own average (newer fonts average every glyph) can differ by a third.
    static double averageCharWidth(const QFontMetricsF& metrics);
};

}
