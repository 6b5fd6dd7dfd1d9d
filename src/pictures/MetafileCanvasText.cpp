// SPDX-License-Identifier: MIT
// Text: where a string goes (alignment, the current position, escapement) and at what size.
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileCanvasState.h"
#include "pictures/MetafileFonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictures {

using namespace canvas;

void MetafileCanvas::text(QPointF reference, const QString& text, const std::vector<double>& advances,
    std::uint32_t options, std::optional<QRectF> box)
{
    if (text.size() > maxTextLength) {
        const std::vector<double> shorter(
            advances.begin(), advances.begin() + std::min<qsizetype>(qsizetype(advances.size()), maxTextLength));
        MetafileCanvas::text(reference, text.left(maxTextLength), shorter, options, box);
        return;
    }
    const State& s = *m_state;
    const QTransform& full = s.full;
    constexpr std::uint32_t opaqueBox = 2;
    constexpr std::uint32_t clipped = 4;
    if (box && (options & opaqueBox) && !m_pathOpen && admitLogical(*box, 4)) {
        QPainterPath area;
        area.addRect(box->normalized());
        m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_painter->fillPath(area, s.backgroundColour);
    }
    if (text.isEmpty())
        return;

    const bool updatePosition = s.textAlign & 1;
    const QPointF at = updatePosition ? s.position : reference;
    const double sx = std::hypot(full.m11(), full.m12());
    const double sy = std::hypot(full.m21(), full.m22());
    const MetafileFont& f = s.font;
    const MetafileFonts::Chosen chosen = MetafileFonts::choose(f, sx, sy, 16 * m_deviceToCanvas.m22());
    if (!chosen.usable)
        return;
    // Laid out in picture pixels; the font's own metrics are at its whole pixel size, `k` times
    // smaller or larger than the size wanted.
    const QFontMetricsF metrics(chosen.font);
    const double k = chosen.scale;
    std::vector<double> steps;
    double width = 0;
    if (!advances.empty()) {
        steps.reserve(advances.size());
        for (const double a : advances) {
            steps.push_back(a * sx);
            width += a * sx;
        }
    } else {
        width = metrics.horizontalAdvance(text) * k;
    }
    double x0 = 0;
    if ((s.textAlign & 6) == 6)
        x0 = -width / 2;
    else if (s.textAlign & 2)
        x0 = -width;
    const double ascent = metrics.ascent() * k;
    const double descent = metrics.descent() * k;
    double baseline = ascent;
    if ((s.textAlign & 24) == 24)
        baseline = 0;
    else if (s.textAlign & 8)
        baseline = -descent;
    const double worldAngle = std::atan2(s.world.m12(), s.world.m11()) * 180 / std::numbers::pi;
    const QPointF origin = full.map(at);
    QTransform place = QTransform::fromTranslate(origin.x(), origin.y());
    place.rotate(worldAngle - f.escapement / 10.0);
    const QRectF cell(x0, baseline - ascent, width, ascent + descent);
    if (updatePosition) {
        bool invertible = false;
        const QTransform back = full.inverted(&invertible);
        if (invertible && !(s.textAlign & 6))
            m_state->position = back.map(place.map(QPointF(x0 + width, 0)));
    }
    if (m_pathOpen || !admit(place.mapRect(cell), text.size()))
        return;

    m_painter->save();
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (box && (options & clipped)) {
        QPainterPath area;
        area.addRect(box->normalized());
        m_painter->setClipPath(area, Qt::IntersectClip);
    }
    m_painter->setWorldTransform(place);
    if (s.backgroundMode == opaque)
        m_painter->fillRect(cell, s.backgroundColour);
    m_painter->scale(k, k);
    m_painter->setFont(chosen.font);
    m_painter->setPen(s.textColour);
    m_painter->setBackgroundMode(Qt::TransparentMode);
    if (steps.empty()) {
        m_painter->drawText(QPointF(x0, baseline) / k, text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            m_painter->drawText(QPointF(x, baseline) / k, text.mid(i, length));
            x += std::size_t(i) < steps.size() ? steps[std::size_t(i)] : 0;
            i += length - 1;
        }
    }
    m_painter->restore();
}

}
