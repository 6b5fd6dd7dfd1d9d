// SPDX-License-Identifier: MIT
// Pens and brushes as the file describes them, turned into Qt's at the size the mapping gives them.
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileCanvasState.h"

#include <QBrush>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictures {

using namespace canvas;

MetafileBrush MetafileBrush::fromPattern(const QImage& image)
{
    constexpr int maxPatternSide = 256;
    MetafileBrush brush;
    if (image.isNull())
        return brush;
    if (image.width() > maxPatternSide || image.height() > maxPatternSide) {
        brush.colour = image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
        return brush;
    }
    brush.kind = Kind::Pattern;
    brush.pattern = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return brush;
}

double MetafileCanvas::penPixels() const
{
    const MetafilePen& pen = m_state->pen;
    if ((pen.style & 0xF) == MetafilePen::Null)
        return 0;
    const double scale = std::sqrt(std::abs(m_state->full.determinant()));
    return std::max(1.0, pen.width * scale);
}

QPen MetafileCanvas::qtPen(double deviceLength) const
{
    const MetafilePen& pen = m_state->pen;
    const std::uint32_t style = pen.style & 0xF;
    if (style == MetafilePen::Null)
        return Qt::NoPen;
    const bool geometric = pen.extended && (pen.style & 0x10000);
    const double scale = std::sqrt(std::abs(m_state->full.determinant()));
    const double pixels = pen.width * scale;
    // Thinner than a pixel on the picture is a pixel, as on any Windows device.
    const bool hairline = !(pixels >= 1.5) || !std::isfinite(pixels);
    QPen q(pen.colour);
    if (hairline) {
        q.setCosmetic(true);
        q.setWidthF(1);
    } else {
        q.setWidthF(pen.width);
    }
    if (geometric) {
        static constexpr Qt::PenCapStyle caps[] = { Qt::RoundCap, Qt::SquareCap, Qt::FlatCap };
        static constexpr Qt::PenJoinStyle joins[] = { Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin };
        q.setCapStyle(caps[std::min<std::uint32_t>((pen.style >> 8) & 0xF, 2)]);
        q.setJoinStyle(joins[std::min<std::uint32_t>((pen.style >> 12) & 0xF, 2)]);
    } else {
        q.setCapStyle(hairline ? Qt::FlatCap : Qt::RoundCap);
        q.setJoinStyle(Qt::RoundJoin);
    }
    q.setMiterLimit(m_state->miterLimit);

    // Dash lengths for QPen are in pen widths. One-pixel pens dash in pixels; geometric pens in
    // widths; the wide pens of CreatePen are always solid.
    QList<qreal> dashes;
    if (style == MetafilePen::UserStyle && !pen.dashes.empty() && (geometric || hairline)) {
        const double unit = hairline ? 1 / std::max(scale, 1e-9) : pen.width;
        for (const double d : pen.dashes)
            dashes << std::max(d / std::max(unit, 1e-9), 0.01);
        if (dashes.size() % 2)
            dashes << dashes;
    } else if (hairline) {
        switch (style) {
        case MetafilePen::Dash: dashes = { 18, 6 }; break;
        case MetafilePen::Dot: dashes = { 3, 3 }; break;
        case MetafilePen::DashDot: dashes = { 9, 6, 3, 6 }; break;
        case MetafilePen::DashDotDot: dashes = { 9, 3, 3, 3, 3, 3 }; break;
        case MetafilePen::Alternate: dashes = { 1, 1 }; break;
        default: break;
        }
    } else if (geometric) {
        switch (style) {
        case MetafilePen::Dash: dashes = { 3, 1 }; break;
        case MetafilePen::Dot: dashes = { 1, 1 }; break;
        case MetafilePen::DashDot: dashes = { 3, 1, 1, 1 }; break;
        case MetafilePen::DashDotDot: dashes = { 3, 1, 1, 1, 1, 1 }; break;
        default: break;
        }
        // Round and square ends would close the gaps of a pattern measured in whole widths.
        if (!dashes.isEmpty() && q.capStyle() != Qt::FlatCap)
            q.setCapStyle(Qt::FlatCap);
    }
    if (!dashes.isEmpty()) {
        double period = 0;
        for (const qreal d : dashes)
            period += d;
        period *= hairline ? 1 : pixels;
        if (period > 0 && deviceLength / period < maxDashes)
            q.setDashPattern(dashes);
    }
    return q;
}

QBrush MetafileCanvas::qtBrush(const MetafileBrush& brush, const QTransform& painterTransform) const
{
    QBrush q;
    switch (brush.kind) {
    case MetafileBrush::Kind::Null: return Qt::NoBrush;
    case MetafileBrush::Kind::Solid: return QBrush(brush.colour);
    case MetafileBrush::Kind::Hatched: q = QBrush(brush.colour, hatchStyle(brush.hatch)); break;
    case MetafileBrush::Kind::Pattern:
        if (brush.pattern.isNull())
            return QBrush(brush.colour);
        q = QBrush(brush.pattern);
        break;
    }
    // Hatches and patterns are laid in picture pixels from the picture's corner, whatever the mapping.
    bool invertible = false;
    const QTransform back = painterTransform.inverted(&invertible);
    if (invertible)
        q.setTransform(back);
    return q;
}

}
