// SPDX-License-Identifier: MIT
// The device context: SaveDC and RestoreDC, the mapping from logical units to the picture, the
// selected objects and modes, and the clipping region.
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileCanvasState.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictures {

using namespace canvas;

QTransform MetafileCanvas::pageTransform() const
{
    const State& s = *m_state;
    double sx = 1;
    double sy = 1;
    switch (s.mapMode) {
    case 2: sx = 0.1; break; // MM_LOMETRIC: 0.1 mm
    case 3: sx = 0.01; break; // MM_HIMETRIC
    case 4: sx = 0.254; break; // MM_LOENGLISH: 0.01 inch
    case 5: sx = 0.0254; break; // MM_HIENGLISH
    case 6: sx = 25.4 / 1440; break; // MM_TWIPS
    case 7:
    case 8:
        if (s.windowExt.width() != 0 && s.windowExt.height() != 0) {
            sx = s.viewportExt.width() / s.windowExt.width();
            sy = s.viewportExt.height() / s.windowExt.height();
            if (s.mapMode == 7) {
                const double m = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(m, sx);
                sy = std::copysign(m, sy);
            }
        }
        break;
    default: break;
    }
    if (s.mapMode >= 2 && s.mapMode <= 6) {
        // Metric and English modes: y grows upwards.
        sy = -sx * m_setup.pixelsPerMmY;
        sx *= m_setup.pixelsPerMmX;
    }
    return QTransform(sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx, s.viewportOrg.y() - s.windowOrg.y() * sy);
}

QTransform MetafileCanvas::fullTransform() const
{
    return m_state->full;
}

void MetafileCanvas::transformChanged()
{
    m_state->full = m_state->world * pageTransform() * m_deviceToCanvas;
    if (m_painter)
        m_painter->setWorldTransform(m_state->full);
}

void MetafileCanvas::applyClip()
{
    if (!m_painter)
        return;
    if (!m_state->clip) {
        m_painter->setClipping(false);
        return;
    }
    m_painter->setWorldTransform(QTransform());
    m_painter->setClipPath(*m_state->clip);
    m_painter->setWorldTransform(m_state->full);
}

void MetafileCanvas::saveDc()
{
    if (m_stack.size() < maxSavedStates)
        m_stack.push_back(*m_state);
}

void MetafileCanvas::restoreDc(int which)
{
    // Negative: that many levels back; positive: the state saved as number `which`.
    std::size_t keep = 0;
    if (which < 0) {
        const std::size_t back = std::size_t(-std::int64_t(which));
        if (back > m_stack.size())
            return;
        keep = m_stack.size() - back;
    } else {
        if (which == 0 || std::size_t(which) > m_stack.size())
            return;
        keep = std::size_t(which) - 1;
    }
    *m_state = std::move(m_stack[keep]);
    m_stack.resize(keep);
    transformChanged();
    applyClip();
    if (m_painter) {
        m_painter->setBackground(m_state->backgroundColour);
        m_painter->setBackgroundMode(m_state->backgroundMode == opaque ? Qt::OpaqueMode : Qt::TransparentMode);
    }
}

void MetafileCanvas::setMapMode(int mode)
{
    // A WMF is always played through its window; its own mapping mode would undo the frame.
    if (m_setup.flavour == Flavour::Wmf || mode < 1 || mode > 8)
        return;
    m_state->mapMode = mode;
    transformChanged();
}

void MetafileCanvas::setWindowOrg(QPointF origin)
{
    m_state->windowOrg = origin;
    transformChanged();
}

void MetafileCanvas::setWindowExt(QSizeF extent)
{
    if (extent.width() == 0 || extent.height() == 0)
        return;
    m_state->windowExt = extent;
    transformChanged();
}

void MetafileCanvas::setViewportOrg(QPointF origin)
{
    // The viewport of a WMF is where the program playing it puts the frame, not the file's business.
    if (m_setup.flavour == Flavour::Wmf)
        return;
    m_state->viewportOrg = origin;
    transformChanged();
}

void MetafileCanvas::setViewportExt(QSizeF extent)
{
    if (m_setup.flavour == Flavour::Wmf || extent.width() == 0 || extent.height() == 0)
        return;
    m_state->viewportExt = extent;
    transformChanged();
}

void MetafileCanvas::offsetWindowOrg(QPointF by)
{
    setWindowOrg(m_state->windowOrg + by);
}

void MetafileCanvas::offsetViewportOrg(QPointF by)
{
    setViewportOrg(m_state->viewportOrg + by);
}

void MetafileCanvas::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt(QSizeF(m_state->windowExt.width() * xNum / xDenom, m_state->windowExt.height() * yNum / yDenom));
}

void MetafileCanvas::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setViewportExt(
        QSizeF(m_state->viewportExt.width() * xNum / xDenom, m_state->viewportExt.height() * yNum / yDenom));
}

void MetafileCanvas::setWorldTransform(const QTransform& transform)
{
    // A transform that is not finite or flattens everything is refused, as GDI refuses it.
    const double det = transform.determinant();
    if (!std::isfinite(det) || det == 0 || !std::isfinite(transform.dx()) || !std::isfinite(transform.dy()))
        return;
    m_state->world = transform;
    transformChanged();
}

void MetafileCanvas::modifyWorldTransform(const QTransform& transform, int mode)
{
    switch (mode) {
    case 1: setWorldTransform(QTransform()); break;
    case 2: setWorldTransform(transform * m_state->world); break;
    case 3: setWorldTransform(m_state->world * transform); break;
    case 4: setWorldTransform(transform); break;
    default: break;
    }
}

void MetafileCanvas::setPen(const MetafilePen& pen)
{
    m_state->pen = pen;
}

void MetafileCanvas::setBrush(const MetafileBrush& brush)
{
    m_state->brush = brush;
}

void MetafileCanvas::setFont(const MetafileFont& font)
{
    m_state->font = font;
}

const MetafileFont& MetafileCanvas::font() const
{
    return m_state->font;
}

void MetafileCanvas::setTextColour(QColor colour)
{
    m_state->textColour = colour;
}

void MetafileCanvas::setBackgroundColour(QColor colour)
{
    m_state->backgroundColour = colour;
    if (m_painter)
        m_painter->setBackground(colour);
}

void MetafileCanvas::setBackgroundMode(int mode)
{
    m_state->backgroundMode = mode;
    if (m_painter)
        m_painter->setBackgroundMode(mode == opaque ? Qt::OpaqueMode : Qt::TransparentMode);
}

void MetafileCanvas::setTextAlign(std::uint32_t align)
{
    m_state->textAlign = align;
}

void MetafileCanvas::setPolyFillMode(int mode)
{
    m_state->fillMode = mode;
}

void MetafileCanvas::setRop2(int rop)
{
    m_state->rop2 = rop;
}

void MetafileCanvas::setArcDirection(int direction)
{
    m_state->clockwise = direction == 2;
}

void MetafileCanvas::setMiterLimit(double limit)
{
    if (std::isfinite(limit) && limit >= 1 && limit <= 1000)
        m_state->miterLimit = limit;
}

void MetafileCanvas::combineClip(const QPainterPath& canvasPath, int mode)
{
    QPainterPath whole;
    whole.addRect(QRectF(QPointF(0, 0), QSizeF(m_setup.size)));
    const QPainterPath current = m_state->clip ? *m_state->clip : whole;
    // Combining regions costs time in their size: it counts against the budget like drawing.
    m_work += current.elementCount() + canvasPath.elementCount();
    if (m_work > m_setup.workBudget) {
        m_exhausted = true;
        return;
    }
    switch (mode) {
    case 1: m_state->clip = current.intersected(canvasPath); break;
    case 2: m_state->clip = current.united(canvasPath); break;
    case 3: m_state->clip = current.subtracted(canvasPath).united(canvasPath.subtracted(current)); break;
    case 4: m_state->clip = current.subtracted(canvasPath); break;
    case 5: m_state->clip = canvasPath.intersected(whole); break;
    default: return;
    }
    applyClip();
}

void MetafileCanvas::selectClipPath(int mode)
{
    if (!m_path || m_pathOpen)
        return;
    QPainterPath path = *m_path;
    m_path.reset();
    path.setFillRule(m_state->fillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    if (!m_painter || path.elementCount() > 100'000 || !finite(m_state->full.mapRect(path.controlPointRect())))
        return;
    combineClip(m_state->full.map(path), mode);
}

void MetafileCanvas::intersectClipRect(const QRectF& box)
{
    combineClipRect(box, 1);
}

void MetafileCanvas::excludeClipRect(const QRectF& box)
{
    combineClipRect(box, 4);
}

void MetafileCanvas::combineClipRect(const QRectF& box, int mode)
{
    if (!m_painter)
        return;
    QPainterPath area;
    area.addRect(box.normalized());
    const QPainterPath onPicture = m_state->full.map(area);
    if (!finite(onPicture.controlPointRect()))
        return;
    combineClip(onPicture, mode);
}

void MetafileCanvas::offsetClip(QPointF by)
{
    if (!m_state->clip)
        return;
    const QTransform& t = m_state->full;
    const QPointF shift(t.m11() * by.x() + t.m21() * by.y(), t.m12() * by.x() + t.m22() * by.y());
    if (!std::isfinite(shift.x()) || !std::isfinite(shift.y()))
        return;
    m_state->clip->translate(shift);
    applyClip();
}

void MetafileCanvas::selectDeviceClip(const std::optional<QPainterPath>& region, int mode)
{
    if (!m_painter)
        return;
    if (!region) {
        if (mode == 5) {
            m_state->clip.reset();
            applyClip();
        }
        return;
    }
    combineClip(m_deviceToCanvas.map(*region), mode);
}

}
