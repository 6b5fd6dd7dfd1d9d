// SPDX-License-Identifier: MIT
// The canvas's drawing: shapes, paths and regions, each admitted against the work budget first.
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileCanvasState.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictures {

using namespace canvas;

MetafileCanvas::MetafileCanvas(QPainter* painter, const Setup& setup)
    : m_painter(painter)
    , m_setup(setup)
    , m_state(std::make_unique<State>())
{
    const QRectF f = setup.frame;
    if (f.width() > 0 && f.height() > 0) {
        m_deviceToCanvas = QTransform::fromTranslate(-f.left(), -f.top())
            * QTransform::fromScale(setup.size.width() / f.width(), setup.size.height() / f.height());
    }
    if (setup.flavour == Flavour::Wmf) {
        // A WMF's window maps onto its frame: until the file sets a window, logical units are the frame's.
        m_state->mapMode = 8;
        m_state->windowOrg = m_state->viewportOrg = f.topLeft();
        m_state->windowExt = m_state->viewportExt = f.size();
    }
    if (m_painter) {
        m_painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        m_painter->setBackground(m_state->backgroundColour);
        m_painter->setBackgroundMode(Qt::OpaqueMode);
    }
    transformChanged();
}

MetafileCanvas::~MetafileCanvas() = default;

bool MetafileCanvas::admit(QRectF bounds, std::int64_t points)
{
    if (m_exhausted || !finite(bounds) || points > maxShapePoints)
        return false;
    if (!m_painter) {
        m_measured = m_measured.isNull() ? bounds : m_measured.united(bounds);
        return false;
    }
    if (std::abs(bounds.left()) > coordinateLimit || std::abs(bounds.right()) > coordinateLimit
        || std::abs(bounds.top()) > coordinateLimit || std::abs(bounds.bottom()) > coordinateLimit)
        return false;
    const QRectF visible = bounds.adjusted(-1, -1, 1, 1).intersected(QRectF(QPointF(0, 0), QSizeF(m_setup.size)));
    m_work += std::int64_t(visible.width() * visible.height()) + points;
    if (m_work > m_setup.workBudget) {
        m_exhausted = true;
        return false;
    }
    return !visible.isEmpty();
}

bool MetafileCanvas::admitLogical(const QRectF& logical, std::int64_t points)
{
    const double pad = penPixels();
    return admit(m_state->full.mapRect(logical).adjusted(-pad, -pad, pad, pad), points);
}

void MetafileCanvas::paint(const QPainterPath& path, QPen pen, QBrush brush)
{
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (m_state->rop2) {
    case R2Nop: return;
    case R2Black:
    case R2White: {
        const QColor c = m_state->rop2 == R2Black ? Qt::black : Qt::white;
        if (pen.style() != Qt::NoPen)
            pen.setColor(c);
        if (brush.style() != Qt::NoBrush)
            brush = QBrush(c);
        break;
    }
    case R2NotCopyPen:
        pen.setColor(inverted(pen.color()));
        if (brush.style() == Qt::SolidPattern)
            brush.setColor(inverted(brush.color()));
        break;
    case R2XorPen: mode = QPainter::RasterOp_SourceXorDestination; break;
    case R2Not: mode = QPainter::RasterOp_NotDestination; break;
    case R2MaskPen: mode = QPainter::RasterOp_SourceAndDestination; break;
    case R2MergePen: mode = QPainter::RasterOp_SourceOrDestination; break;
    default: break;
    }
    if (mode != QPainter::CompositionMode_SourceOver)
        layOnWhite();
    m_painter->setCompositionMode(mode);
    m_painter->setPen(pen);
    m_painter->setBrush(brush);
    m_painter->drawPath(path);
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void MetafileCanvas::drawShape(const QPainterPath& shape, bool fill, bool stroke)
{
    if (m_pathOpen) {
        addToPath(shape, false);
        return;
    }
    QPainterPath path = shape;
    path.setFillRule(m_state->fillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    if (!admitLogical(path.controlPointRect(), path.elementCount()))
        return;
    const QPen pen = stroke ? qtPen(controlLength(path, m_state->full)) : QPen(Qt::NoPen);
    const QBrush brush = fill ? qtBrush(m_state->brush, m_state->full) : QBrush(Qt::NoBrush);
    paint(path, pen, brush);
}

void MetafileCanvas::addToPath(const QPainterPath& piece, bool connect)
{
    if (!m_path)
        m_path.emplace();
    if (m_path->elementCount() + std::int64_t(piece.elementCount()) > maxShapePoints) {
        m_exhausted = true;
        return;
    }
    if (connect && m_path->elementCount() > 0)
        m_path->connectPath(piece);
    else
        m_path->addPath(piece);
}

void MetafileCanvas::moveTo(QPointF to)
{
    m_state->position = to;
    if (m_pathOpen) {
        if (!m_path)
            m_path.emplace();
        m_path->moveTo(to);
    }
}

void MetafileCanvas::lineTo(QPointF to)
{
    polylineTo(QPolygonF { to });
}

void MetafileCanvas::polyline(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath line;
    line.addPolygon(points);
    drawShape(line, false, true);
}

void MetafileCanvas::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    QPainterPath line(m_state->position);
    for (const QPointF& p : points)
        line.lineTo(p);
    m_state->position = points.back();
    if (m_pathOpen)
        addToPath(line, true);
    else
        drawShape(line, false, true);
}

void MetafileCanvas::polygon(const QPolygonF& points)
{
    if (points.size() < 2)
        return;
    QPainterPath shape;
    shape.addPolygon(points);
    shape.closeSubpath();
    drawShape(shape, true, true);
}

void MetafileCanvas::polyPolygon(const std::vector<QPolygonF>& polygons)
{
    QPainterPath shape;
    for (const QPolygonF& p : polygons) {
        if (p.size() < 2)
            continue;
        shape.addPolygon(p);
        shape.closeSubpath();
    }
    drawShape(shape, true, true);
}

void MetafileCanvas::polyPolyline(const std::vector<QPolygonF>& lines)
{
    QPainterPath shape;
    for (const QPolygonF& p : lines) {
        if (p.size() >= 2)
            shape.addPolygon(p);
    }
    drawShape(shape, false, true);
}

void MetafileCanvas::polyBezier(const QPolygonF& points)
{
    if (points.size() < 4)
        return;
    QPainterPath curve(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    drawShape(curve, false, true);
}

void MetafileCanvas::polyBezierTo(const QPolygonF& points)
{
    if (points.size() < 3)
        return;
    QPainterPath curve(m_state->position);
    qsizetype i = 0;
    for (; i + 2 < points.size(); i += 3)
        curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    m_state->position = points[i - 1];
    if (m_pathOpen)
        addToPath(curve, true);
    else
        drawShape(curve, false, true);
}

void MetafileCanvas::polyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types)
{
    QPainterPath shape(m_state->position);
    const qsizetype n = std::min<qsizetype>(points.size(), qsizetype(types.size()));
    for (qsizetype i = 0; i < n; ++i) {
        const std::uint8_t type = types[std::size_t(i)] & ~1u;
        if (type == 6) {
            shape.moveTo(points[i]);
        } else if (type == 4 && i + 2 < n) {
            shape.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            shape.lineTo(points[i]);
        }
        if (types[std::size_t(i)] & 1)
            shape.closeSubpath();
        m_state->position = points[i];
    }
    if (m_pathOpen)
        addToPath(shape, true);
    else
        drawShape(shape, false, true);
}

void MetafileCanvas::rectangle(const QRectF& box)
{
    QPainterPath shape;
    shape.addRect(box.normalized());
    drawShape(shape, true, true);
}

void MetafileCanvas::roundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath shape;
    shape.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    drawShape(shape, true, true);
}

void MetafileCanvas::ellipse(const QRectF& box)
{
    QPainterPath shape;
    shape.addEllipse(box.normalized());
    drawShape(shape, true, true);
}

QPainterPath MetafileCanvas::arcPath(
    const QRectF& rawBox, QPointF start, QPointF end, ArcKind kind, bool withLineFromCurrent) const
{
    const QRectF box = rawBox.normalized();
    QPainterPath shape;
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    if (!(rx > 0 && ry > 0))
        return shape;
    const QPointF centre = box.center();
    const double from = degreesOf(start, centre, rx, ry);
    double sweep = degreesOf(end, centre, rx, ry) - from;
    // Windows draws anticlockwise on the picture unless told otherwise; a mapping that turns y
    // over turns the direction over with it.
    const bool anticlockwise = m_state->clockwise == (m_state->full.determinant() < 0);
    if (anticlockwise) {
        while (sweep <= 0)
            sweep += 360;
    } else {
        while (sweep >= 0)
            sweep -= 360;
    }
    if (withLineFromCurrent) {
        shape.moveTo(m_state->position);
        QPainterPath probe;
        probe.arcMoveTo(box, from);
        shape.lineTo(probe.currentPosition());
    } else if (kind == ArcKind::Pie) {
        shape.moveTo(centre);
    } else {
        shape.arcMoveTo(box, from);
    }
    shape.arcTo(box, from, sweep);
    if (kind == ArcKind::Chord || kind == ArcKind::Pie)
        shape.closeSubpath();
    return shape;
}

void MetafileCanvas::arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind)
{
    const QPainterPath shape = arcPath(box, start, end, kind, kind == ArcKind::ArcTo);
    if (kind == ArcKind::ArcTo) {
        if (shape.elementCount() > 0)
            m_state->position = shape.currentPosition();
        if (m_pathOpen) {
            addToPath(shape, true);
            return;
        }
    }
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    drawShape(shape, closed, true);
}

void MetafileCanvas::angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees)
{
    if (!(radius > 0) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees))
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath shape(m_state->position);
    QPainterPath probe;
    probe.arcMoveTo(box, startDegrees);
    shape.lineTo(probe.currentPosition());
    shape.arcTo(box, startDegrees, std::clamp(sweepDegrees, -3600.0, 3600.0));
    m_state->position = shape.currentPosition();
    if (m_pathOpen)
        addToPath(shape, true);
    else
        drawShape(shape, false, true);
}

void MetafileCanvas::fillDeviceRegion(const QPainterPath& region, const std::optional<MetafileBrush>& brush)
{
    const QPainterPath onPicture = m_deviceToCanvas.map(region);
    if (m_pathOpen || !admit(onPicture.controlPointRect(), onPicture.elementCount()))
        return;
    m_painter->save();
    m_painter->setWorldTransform(QTransform());
    paint(onPicture, Qt::NoPen, qtBrush(brush ? *brush : m_state->brush, QTransform()));
    m_painter->restore();
}

void MetafileCanvas::frameDeviceRegion(const QPainterPath& region, const MetafileBrush& brush, QSizeF thickness)
{
    const QPainterPath onPicture = m_deviceToCanvas.map(region);
    if (m_pathOpen || !admit(onPicture.controlPointRect(), onPicture.elementCount()))
        return;
    QPen pen(qtBrush(brush, QTransform()), std::max(1.0, thickness.width() * m_deviceToCanvas.m11()));
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter->save();
    m_painter->setWorldTransform(QTransform());
    paint(onPicture, pen, Qt::NoBrush);
    m_painter->restore();
}

void MetafileCanvas::gradientRect(QPointF from, QPointF to, QColor first, QColor second, bool vertical)
{
    const QRectF box = QRectF(from, to).normalized();
    if (m_pathOpen || !admitLogical(box, 4))
        return;
    QLinearGradient gradient(from, vertical ? QPointF(from.x(), to.y()) : QPointF(to.x(), from.y()));
    gradient.setColorAt(0, first);
    gradient.setColorAt(1, second);
    QPainterPath area;
    area.addRect(box);
    paint(area, Qt::NoPen, QBrush(gradient));
}

void MetafileCanvas::gradientTriangle(const QPolygonF& corners, QColor average)
{
    if (m_pathOpen || corners.size() < 3 || !admitLogical(corners.boundingRect(), 3))
        return;
    QPainterPath area;
    area.addPolygon(corners);
    area.closeSubpath();
    paint(area, Qt::NoPen, QBrush(average));
}

void MetafileCanvas::beginPath()
{
    m_path.emplace();
    m_path->moveTo(m_state->position);
    m_pathOpen = true;
}

void MetafileCanvas::endPath()
{
    m_pathOpen = false;
}

void MetafileCanvas::abortPath()
{
    m_path.reset();
    m_pathOpen = false;
}

void MetafileCanvas::closeFigure()
{
    if (m_path && m_pathOpen)
        m_path->closeSubpath();
}

void MetafileCanvas::fillPath()
{
    if (!m_path || m_pathOpen)
        return;
    QPainterPath path = *m_path;
    m_path.reset();
    path.setFillRule(m_state->fillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    if (!admitLogical(path.controlPointRect(), path.elementCount()))
        return;
    paint(path, Qt::NoPen, qtBrush(m_state->brush, m_state->full));
}

void MetafileCanvas::strokePath()
{
    if (!m_path || m_pathOpen)
        return;
    const QPainterPath path = *m_path;
    m_path.reset();
    if (!admitLogical(path.controlPointRect(), path.elementCount()))
        return;
    paint(path, qtPen(controlLength(path, m_state->full)), Qt::NoBrush);
}

void MetafileCanvas::strokeAndFillPath()
{
    if (!m_path || m_pathOpen)
        return;
    QPainterPath path = *m_path;
    m_path.reset();
    path.setFillRule(m_state->fillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    if (!admitLogical(path.controlPointRect(), path.elementCount()))
        return;
    paint(path, qtPen(controlLength(path, m_state->full)), qtBrush(m_state->brush, m_state->full));
}

}
