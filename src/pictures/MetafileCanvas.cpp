// SPDX-License-Identifier: MIT
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileFonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictures {

namespace {

// Beyond this many pixels from the picture a coordinate is a broken or hostile file, not a drawing.
constexpr double coordinateLimit = 1 << 22;
// SaveDC nests this deep at most; deeper saves are counted but keep no state.
constexpr std::size_t maxSavedStates = 4096;
// A dashed line of more dashes than this is drawn solid: it looks the same and costs no time.
constexpr double maxDashes = 100'000;
// No drawing needs shapes, paths or strings larger than these; larger ones come from broken files
// and would cost seconds in a single call.
constexpr std::int64_t maxShapePoints = 1'000'000;
constexpr qsizetype maxTextLength = 8192;
constexpr int opaque = 2;

enum Rop2 { R2Black = 1, R2NotCopyPen = 4, R2Not = 6, R2XorPen = 7, R2MaskPen = 9, R2Nop = 11, R2CopyPen = 13,
    R2MergePen = 15, R2White = 16 };

bool finite(const QRectF& r)
{
    return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) && std::isfinite(r.bottom());
}

// The length of a path's control polygon, which a dasher walks at most.
double controlLength(const QPainterPath& path, const QTransform& t)
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

Qt::BrushStyle hatchStyle(int hatch)
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

QColor inverted(QColor c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue(), c.alpha());
}

double degreesOf(QPointF p, QPointF centre, double rx, double ry)
{
    return std::atan2(-(p.y() - centre.y()) / ry, (p.x() - centre.x()) / rx) * 180 / std::numbers::pi;
}

}

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
    int backgroundMode = opaque;
    std::uint32_t textAlign = 0;
    int fillMode = 1;
    int rop2 = R2CopyPen;
    bool clockwise = false;
    double miterLimit = 10;
    QPointF position;
    // In picture pixels; none means the whole picture.
    std::optional<QPainterPath> clip;
    QTransform full;
};

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

// State -----------------------------------------------------------------------------------------

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

// Pens and brushes ------------------------------------------------------------------------------

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

// Drawing ---------------------------------------------------------------------------------------

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

void MetafileCanvas::layOnWhite()
{
    if (m_onWhite)
        return;
    m_onWhite = true;
    m_painter->save();
    m_painter->setWorldTransform(QTransform());
    m_painter->setClipping(false);
    m_painter->setCompositionMode(QPainter::CompositionMode_DestinationOver);
    m_painter->fillRect(QRectF(QPointF(0, 0), QSizeF(m_setup.size)), Qt::white);
    m_painter->restore();
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

void MetafileCanvas::setPixel(QPointF at, QColor colour)
{
    const QPointF p = m_state->full.map(at);
    if (!admit(QRectF(p, QSizeF(1, 1)), 1))
        return;
    m_painter->save();
    m_painter->setWorldTransform(QTransform());
    m_painter->fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), colour);
    m_painter->restore();
}

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

void MetafileCanvas::bitmap(const QRectF& destination, const QImage& image, const QRectF& source, std::uint32_t rop)
{
    if (m_pathOpen || !admitLogical(destination.normalized(), 4))
        return;
    const std::uint32_t code = rop >> 16 & 0xFF;
    QPainterPath area;
    area.addRect(destination.normalized());
    if (image.isNull() || !(source.width() != 0 && source.height() != 0)) {
        switch (code) {
        case 0x00: paint(area, Qt::NoPen, QBrush(Qt::black)); break;
        case 0xFF: paint(area, Qt::NoPen, QBrush(Qt::white)); break;
        case 0x55:
            layOnWhite();
            m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
            m_painter->fillPath(area, Qt::black);
            m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            break;
        case 0xAA: break; // the destination as it is
        case 0x5A:
            layOnWhite();
            m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            m_painter->fillPath(area, qtBrush(m_state->brush, m_state->full));
            m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            break;
        default:
            m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            m_painter->fillPath(area, qtBrush(m_state->brush, m_state->full));
            break;
        }
        return;
    }
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (code) {
    case 0x88: mode = QPainter::RasterOp_SourceAndDestination; break; // SRCAND
    case 0xEE: mode = QPainter::RasterOp_SourceOrDestination; break; // SRCPAINT
    case 0x66: mode = QPainter::RasterOp_SourceXorDestination; break; // SRCINVERT
    case 0x33: mode = QPainter::RasterOp_NotSource; break; // NOTSRCCOPY
    case 0xAA: return;
    default: break;
    }
    // From the source rectangle's pixels to the destination's logical units, flips included.
    const double kx = destination.width() / source.width();
    const double ky = destination.height() / source.height();
    const QTransform toDestination(
        kx, 0, 0, ky, destination.left() - source.left() * kx, destination.top() - source.top() * ky);
    const QTransform whole = toDestination * m_state->full;
    if (mode != QPainter::CompositionMode_SourceOver)
        layOnWhite();
    if (mode != QPainter::CompositionMode_SourceOver && whole.type() <= QTransform::TxScale) {
        // Raster operations go pixel for pixel, as on Windows: the source is scaled to the pixels
        // it covers first (Qt's transformed raster-op path is not even deterministic).
        const QRect target = whole.mapRect(source).toAlignedRect().intersected(QRect(QPoint(0, 0), m_setup.size));
        bool invertible = false;
        const QRectF inSource = whole.inverted(&invertible).mapRect(QRectF(target)).intersected(QRectF(image.rect()));
        if (!invertible || target.isEmpty() || inSource.isEmpty())
            return;
        QImage piece = image.copy(inSource.toAlignedRect())
                           .scaled(target.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                           .mirrored(whole.m11() < 0, whole.m22() < 0)
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        m_painter->save();
        m_painter->setWorldTransform(QTransform());
        m_painter->setCompositionMode(mode);
        m_painter->drawImage(target.topLeft(), piece);
        m_painter->restore();
        return;
    }
    m_painter->save();
    m_painter->setCompositionMode(mode);
    m_painter->setWorldTransform(whole);
    // Shrinking averages like a halftone stretch; enlarging keeps the pixels square.
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, std::abs(whole.determinant()) < 1);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->drawImage(source, image, source);
    m_painter->restore();
}

void MetafileCanvas::alphaBlend(const QRectF& destination, const QImage& image, const QRectF& source, int constantAlpha)
{
    if (image.isNull() || source.width() == 0 || source.height() == 0 || m_pathOpen
        || !admitLogical(destination.normalized(), 4))
        return;
    const double kx = destination.width() / source.width();
    const double ky = destination.height() / source.height();
    const QTransform toDestination(
        kx, 0, 0, ky, destination.left() - source.left() * kx, destination.top() - source.top() * ky);
    m_painter->save();
    m_painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter->setWorldTransform(toDestination * m_state->full);
    m_painter->setOpacity(std::clamp(constantAlpha, 0, 255) / 255.0);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter->drawImage(source, image, source);
    m_painter->restore();
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

// Paths and clipping ----------------------------------------------------------------------------

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
