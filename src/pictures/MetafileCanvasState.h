// SPDX-License-Identifier: MIT
#pragma once

// The canvas's private parts, shared by the files it is written in (MetafileCanvas.cpp draws
// shapes and paths, MetafileCanvasState.cpp keeps the device context, its mapping and clipping,
// MetafileCanvasPens.cpp turns pens and brushes into Qt's, MetafileCanvasRaster.cpp does the raster
// operations and MetafileCanvasText.cpp the text). Nothing outside the canvas includes it.
#include "pictures/MetafileCanvas.h"

#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <optional>

namespace pictures {

namespace canvas {

// Beyond this many pixels from the picture a coordinate is a broken or hostile file, not a drawing.
inline constexpr double coordinateLimit = 1 << 22;
// SaveDC nests this deep at most; deeper saves are counted but keep no state.
inline constexpr std::size_t maxSavedStates = 4096;
// A dashed line of more dashes than this is drawn solid: it looks the same and costs no time.
inline constexpr double maxDashes = 100'000;
// No drawing needs shapes, paths or strings larger than these; larger ones come from broken files
// and would cost seconds in a single call.
inline constexpr std::int64_t maxShapePoints = 1'000'000;
inline constexpr qsizetype maxTextLength = 8192;
inline constexpr int opaque = 2;

enum Rop2 { R2Black = 1, R2NotCopyPen = 4, R2Not = 6, R2XorPen = 7, R2MaskPen = 9, R2Nop = 11, R2CopyPen = 13,
    R2MergePen = 15, R2White = 16 };

inline bool finite(const QRectF& r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) && std::isfinite(r.bottom());
}

// The length of a path's control polygon, which a dasher walks at most.
inline double controlLength(const QPainterPath& path, const QTransform& t)
{
    double length = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = t.map(QPointF(e.x, e.y));
        if (!e.isMoveTo())
            length += std::hypot(p.x() - last.x(), p.y() - last.y());
        last = p;
    }
    return length;
}

inline Qt::BrushStyle hatchStyle(int hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;
    case 1: return Qt::VerPattern;
    case 2: return Qt::FDiagPattern;
    case 3: return Qt::BDiagPattern;
    case 4: return Qt::CrossPattern;
    case 5: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

inline QColor inverted(QColor c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue(), c.alpha());
}

inline double degreesOf(QPointF p, QPointF centre, double rx, double ry)
{
    return std::atan2(-(p.y() - centre.y()) / ry, (p.x() - centre.x()) / rx) * 180 / std::numbers::pi;
}

}

struct MetafileCanvas::State {
    int mapMode = 1;
    QPointF windowOrg;
    QSizeF windowExt { 1, 1 };
    QPointF viewportOrg;
    QSizeF viewportExt { 1, 1 };
    QTransform world;
    MetafilePen pen;
    MetafileBrush brush;
    MetafileFont font;
    QColor textColour = Qt::black;
    QColor backgroundColour = Qt::white;
    int backgroundMode = canvas::opaque;
    std::uint32_t textAlign = 0;
    int fillMode = 1;
    int rop2 = canvas::R2CopyPen;
    bool clockwise = false;
    double miterLimit = 10;
    QPointF position;
    // In picture pixels; none means the whole picture.
    std::optional<QPainterPath> clip;
    QTransform full;
};

}
