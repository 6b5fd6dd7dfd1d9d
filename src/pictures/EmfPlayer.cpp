// SPDX-License-Identifier: MIT
#include "pictures/EmfPlayer.h"

#include "pictures/MetafileBitmap.h"
#include "pictures/MetafileCanvas.h"
#include "pictures/MetafileObjects.h"
#include "pictures/MetafileRecords.h"
#include "pictures/MetafileText.h"
#include "pictures/RecordBytes.h"

#include <QPainterPath>

#include <cmath>
#include <vector>

namespace pictures {

namespace {

using namespace emf;

// A clipping region of more rectangles than this is taken as its bounds.
constexpr std::size_t maxRegionRects = 2000;

QColor colourRef(const RecordBytes& r, std::size_t at)
{
    return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
}

QPointF pointL(const RecordBytes& r, std::size_t at)
{
    return QPointF(r.s32(at), r.s32(at + 4));
}

QRectF rectL(const RecordBytes& r, std::size_t at)
{
    return QRectF(pointL(r, at), pointL(r, at + 8));
}

QPolygonF points(const RecordBytes& r, std::size_t at, std::size_t count, bool small)
{
    const std::size_t size = small ? 4 : 8;
    const std::size_t n = r.fitting(at, count, size);
    QPolygonF polygon;
    polygon.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t p = at + size * i;
        polygon << (small ? QPointF(r.s16(p), r.s16(p + 2)) : pointL(r, p));
    }
    return polygon;
}

std::vector<QPolygonF> polyPoints(const RecordBytes& r, bool small)
{
    const std::size_t polygons = r.fitting(32, r.u32(24), 4);
    const std::size_t total = r.u32(28);
    std::vector<QPolygonF> out;
    std::size_t at = 32 + 4 * std::size_t(r.u32(24));
    std::size_t used = 0;
    for (std::size_t i = 0; i < polygons; ++i) {
        const std::size_t n = r.u32(32 + 4 * i);
        if (n > total - used)
            break;
        QPolygonF p = points(r, at, n, small);
        if (std::size_t(p.size()) != n)
            break;
        out.push_back(std::move(p));
        at += n * (small ? 4 : 8);
        used += n;
    }
    return out;
}

// RGNDATA: a 32-byte header (size, type, count, bytes, bounds) and the rectangles.
std::optional<QPainterPath> region(const RecordBytes& r, std::size_t at, std::size_t bytes)
{
    if (bytes < 32 || !r.holds(at, 32))
        return std::nullopt;
    const std::size_t count = r.fitting(at + 32, std::min<std::size_t>(r.u32(at + 8), (bytes - 32) / 16), 16);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (count > maxRegionRects) {
        path.addRect(rectL(r, at + 16).normalized());
        return path;
    }
    for (std::size_t i = 0; i < count; ++i)
        path.addRect(rectL(r, at + 32 + 16 * i).normalized());
    return path;
}

QTransform xform(const RecordBytes& r, std::size_t at)
{
    return QTransform(r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16), r.f32(at + 20));
}

MetafileBrush stockBrush(std::uint32_t which)
{
    MetafileBrush b;
    switch (which) {
    case 0: b.colour = Qt::white; break;
    case 1: b.colour = QColor(192, 192, 192); break;
    case 2: b.colour = QColor(128, 128, 128); break;
    case 3: b.colour = QColor(64, 64, 64); break;
    case 4: b.colour = Qt::black; break;
    case 5: b.kind = MetafileBrush::Kind::Null; break;
    default: break;
    }
    return b;
}

class Player {
public:
    Player(MetafileCanvas& canvas, std::size_t handles)
        : m_canvas(canvas)
        , m_objects(canvas, handles)
    {
    }

    void record(std::uint32_t type, const RecordBytes& r);

private:
    void store(std::uint32_t index, MetafileObjects::Object object)
    {
        // Index 0 stands for the metafile itself.
        if (index != 0)
            m_objects.store(index, std::move(object));
    }
    std::optional<MetafileBrush> brushAt(std::uint32_t index) const
    {
        if (index & 0x80000000u)
            return stockBrush(index & 0x7FFFFFFF);
        if (const auto* b = m_objects.get<MetafileBrush>(index))
            return *b;
        return std::nullopt;
    }
    void select(std::uint32_t index);
    MetafileBitmap::Decoded bitmapAt(const RecordBytes& r, std::size_t offsets, bool alpha = false) const;
    void stretchBlt(const RecordBytes& r, bool stretch);
    void text(const RecordBytes& r, std::size_t emrText, bool wide);

    MetafileCanvas& m_canvas;
    MetafileObjects m_objects;
};

void Player::select(std::uint32_t index)
{
    if (index & 0x80000000u) {
        const std::uint32_t stock = index & 0x7FFFFFFF;
        if (stock <= 5) {
            m_canvas.setBrush(stockBrush(stock));
        } else if (stock >= 6 && stock <= 8) {
            MetafilePen pen;
            pen.style = stock == 8 ? MetafilePen::Null : MetafilePen::Solid;
            pen.colour = stock == 6 ? Qt::white : Qt::black;
            m_canvas.setPen(pen);
        } else if (stock >= 10 && stock <= 17 && stock != 15) {
            MetafileFont font;
            font.face = stock == 10 || stock == 11 || stock == 16 ? QStringLiteral("Monospace") : QString();
            m_canvas.setFont(font);
        }
        return;
    }
    m_objects.select(index);
}

// Four fields at `offsets`: where the BITMAPINFO starts and its size, where the bits start and their size.
MetafileBitmap::Decoded Player::bitmapAt(const RecordBytes& r, std::size_t offsets, bool alpha) const
{
    const auto info = r.span(r.u32(offsets), r.u32(offsets + 4));
    const auto bits = r.span(r.u32(offsets + 8), r.u32(offsets + 12));
    if (info.empty() || bits.empty())
        return {};
    return alpha ? MetafileBitmap::decodeWithAlpha(info, bits) : MetafileBitmap::decode(info, bits);
}

// BitBlt and StretchBlt: bounds, destination x y w h, rop, source x y, source transform, background,
// usage, the bitmap's offsets, and for StretchBlt the source size.
void Player::stretchBlt(const RecordBytes& r, bool stretch)
{
    const QRectF destination(QPointF(r.s32(24), r.s32(28)), QSizeF(r.s32(32), r.s32(36)));
    const std::uint32_t rop = r.u32(40);
    if (r.u32(88) == 0) {
        m_canvas.bitmap(destination, QImage(), QRectF(), rop);
        return;
    }
    const MetafileBitmap::Decoded b = bitmapAt(r, 84);
    if (b.image.isNull())
        return;
    const QSizeF sourceSize = stretch ? QSizeF(r.s32(100), r.s32(104)) : destination.size();
    m_canvas.bitmap(destination, b.image, QRectF(QPointF(r.s32(44), r.s32(48)), sourceSize), rop);
}

// EMRTEXT at `at`: reference point, count, string offset, options, rectangle, advances offset.
void Player::text(const RecordBytes& r, std::size_t at, bool wide)
{
    const QPointF reference = pointL(r, at);
    const std::size_t count = r.u32(at + 8);
    const std::size_t stringAt = r.u32(at + 12);
    const std::uint32_t options = r.u32(at + 16);
    std::optional<QRectF> box;
    // ETO_NO_RECT (0x100) leaves the rectangle out of small records only; here it is always there.
    if (options & 0x6)
        box = rectL(r, at + 20);
    const std::size_t dxAt = r.u32(at + 36);
    const auto bytes = r.span(stringAt, wide ? count * 2 : count);
    if (bytes.empty() && count > 0)
        return;
    const QString decoded
        = wide ? MetafileText::decodeWide(bytes) : MetafileText::decode(bytes, m_canvas.font().charset);
    std::vector<double> advances;
    // Advances are per character for the wide records; for the 8-bit ones per byte, which is the
    // same thing in the single-byte code pages and otherwise given up.
    if (dxAt != 0 && r.fitting(dxAt, count, 4) == count && qsizetype(count) == decoded.size()) {
        advances.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            advances.push_back(r.s32(dxAt + 4 * i));
    }
    m_canvas.text(reference, decoded, advances, options, box);
}

void Player::record(std::uint32_t type, const RecordBytes& r)
{
    MetafileCanvas& c = m_canvas;
    switch (type) {
    case EMR_POLYBEZIER: c.polyBezier(points(r, 28, r.u32(24), false)); break;
    case EMR_POLYGON: c.polygon(points(r, 28, r.u32(24), false)); break;
    case EMR_POLYLINE: c.polyline(points(r, 28, r.u32(24), false)); break;
    case EMR_POLYBEZIERTO: c.polyBezierTo(points(r, 28, r.u32(24), false)); break;
    case EMR_POLYLINETO: c.polylineTo(points(r, 28, r.u32(24), false)); break;
    case EMR_POLYPOLYLINE: c.polyPolyline(polyPoints(r, false)); break;
    case EMR_POLYPOLYGON: c.polyPolygon(polyPoints(r, false)); break;
    case EMR_POLYBEZIER16: c.polyBezier(points(r, 28, r.u32(24), true)); break;
    case EMR_POLYGON16: c.polygon(points(r, 28, r.u32(24), true)); break;
    case EMR_POLYLINE16: c.polyline(points(r, 28, r.u32(24), true)); break;
    case EMR_POLYBEZIERTO16: c.polyBezierTo(points(r, 28, r.u32(24), true)); break;
    case EMR_POLYLINETO16: c.polylineTo(points(r, 28, r.u32(24), true)); break;
    case EMR_POLYPOLYLINE16: c.polyPolyline(polyPoints(r, true)); break;
    case EMR_POLYPOLYGON16: c.polyPolygon(polyPoints(r, true)); break;
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: { // bounds, count, points, then a type byte per point
        const bool small = type == EMR_POLYDRAW16;
        const QPolygonF p = points(r, 28, r.u32(24), small);
        const auto types = r.span(28 + std::size_t(p.size()) * (small ? 4 : 8), std::size_t(p.size()));
        c.polyDraw(p, std::vector<std::uint8_t>(types.begin(), types.end()));
        break;
    }
    case EMR_SETWINDOWEXTEX: c.setWindowExt(QSizeF(r.s32(8), r.s32(12))); break;
    case EMR_SETWINDOWORGEX: c.setWindowOrg(pointL(r, 8)); break;
    case EMR_SETVIEWPORTEXTEX: c.setViewportExt(QSizeF(r.s32(8), r.s32(12))); break;
    case EMR_SETVIEWPORTORGEX: c.setViewportOrg(pointL(r, 8)); break;
    case EMR_SETPIXELV: c.setPixel(pointL(r, 8), colourRef(r, 16)); break;
    case EMR_SETMAPMODE: c.setMapMode(int(r.u32(8))); break;
    case EMR_SETBKMODE: c.setBackgroundMode(int(r.u32(8))); break;
    case EMR_SETPOLYFILLMODE: c.setPolyFillMode(int(r.u32(8))); break;
    case EMR_SETROP2: c.setRop2(int(r.u32(8))); break;
    case EMR_SETTEXTALIGN: c.setTextAlign(r.u32(8)); break;
    case EMR_SETTEXTCOLOR: c.setTextColour(colourRef(r, 8)); break;
    case EMR_SETBKCOLOR: c.setBackgroundColour(colourRef(r, 8)); break;
    case EMR_OFFSETCLIPRGN: c.offsetClip(pointL(r, 8)); break;
    case EMR_MOVETOEX: c.moveTo(pointL(r, 8)); break;
    case EMR_EXCLUDECLIPRECT: c.excludeClipRect(rectL(r, 8)); break;
    case EMR_INTERSECTCLIPRECT: c.intersectClipRect(rectL(r, 8)); break;
    case EMR_SCALEVIEWPORTEXTEX: c.scaleViewportExt(r.s32(8), r.s32(12), r.s32(16), r.s32(20)); break;
    case EMR_SCALEWINDOWEXTEX: c.scaleWindowExt(r.s32(8), r.s32(12), r.s32(16), r.s32(20)); break;
    case EMR_SAVEDC: c.saveDc(); break;
    case EMR_RESTOREDC: c.restoreDc(r.s32(8)); break;
    case EMR_SETWORLDTRANSFORM: c.setWorldTransform(xform(r, 8)); break;
    case EMR_MODIFYWORLDTRANSFORM: c.modifyWorldTransform(xform(r, 8), int(r.u32(32))); break;
    case EMR_SELECTOBJECT: select(r.u32(8)); break;
    case EMR_CREATEPEN: { // handle, style, width (x, y), colour
        MetafilePen pen;
        pen.style = r.u32(12);
        pen.width = std::abs(double(r.s32(16)));
        pen.colour = colourRef(r, 24);
        store(r.u32(8), pen);
        break;
    }
    case EMR_CREATEBRUSHINDIRECT: { // handle, style, colour, hatch
        MetafileBrush brush;
        const std::uint32_t style = r.u32(12);
        brush.colour = colourRef(r, 16);
        brush.hatch = int(r.u32(20));
        brush.kind = style == 1 ? MetafileBrush::Kind::Null
            : style == 2        ? MetafileBrush::Kind::Hatched
                                : MetafileBrush::Kind::Solid;
        store(r.u32(8), brush);
        break;
    }
    case EMR_DELETEOBJECT:
        if (r.u32(8) != 0 && !(r.u32(8) & 0x80000000u))
            store(r.u32(8), std::monostate());
        break;
    case EMR_ANGLEARC: c.angleArc(pointL(r, 8), r.u32(16), r.f32(20), r.f32(24)); break;
    case EMR_ELLIPSE: c.ellipse(rectL(r, 8)); break;
    case EMR_RECTANGLE: c.rectangle(rectL(r, 8)); break;
    case EMR_ROUNDRECT: c.roundRect(rectL(r, 8), QSizeF(r.s32(24), r.s32(28))); break;
    case EMR_ARC: c.arc(rectL(r, 8), pointL(r, 24), pointL(r, 32), MetafileCanvas::ArcKind::Arc); break;
    case EMR_CHORD: c.arc(rectL(r, 8), pointL(r, 24), pointL(r, 32), MetafileCanvas::ArcKind::Chord); break;
    case EMR_PIE: c.arc(rectL(r, 8), pointL(r, 24), pointL(r, 32), MetafileCanvas::ArcKind::Pie); break;
    case EMR_ARCTO: c.arc(rectL(r, 8), pointL(r, 24), pointL(r, 32), MetafileCanvas::ArcKind::ArcTo); break;
    case EMR_LINETO: c.lineTo(pointL(r, 8)); break;
    case EMR_SETARCDIRECTION: c.setArcDirection(int(r.u32(8))); break;
    case EMR_SETMITERLIMIT: c.setMiterLimit(r.u32(8)); break;
    case EMR_BEGINPATH: c.beginPath(); break;
    case EMR_ENDPATH: c.endPath(); break;
    case EMR_CLOSEFIGURE: c.closeFigure(); break;
    case EMR_FILLPATH: c.fillPath(); break;
    case EMR_STROKEANDFILLPATH: c.strokeAndFillPath(); break;
    case EMR_STROKEPATH: c.strokePath(); break;
    case EMR_SELECTCLIPPATH: c.selectClipPath(int(r.u32(8))); break;
    case EMR_ABORTPATH: c.abortPath(); break;
    case EMR_FILLRGN: // bounds, size, brush, region
        if (auto area = region(r, 32, r.u32(24)); area && brushAt(r.u32(28)))
            c.fillDeviceRegion(*area, brushAt(r.u32(28)));
        break;
    case EMR_FRAMERGN: // bounds, size, brush, width, height, region
        if (auto area = region(r, 40, r.u32(24)); area && brushAt(r.u32(28)))
            c.frameDeviceRegion(*area, *brushAt(r.u32(28)), QSizeF(r.s32(32), r.s32(36)));
        break;
    case EMR_PAINTRGN: // bounds, size, region
        if (auto area = region(r, 28, r.u32(24)))
            c.fillDeviceRegion(*area, std::nullopt);
        break;
    case EMR_EXTSELECTCLIPRGN: { // size, mode, region
        const std::size_t bytes = r.u32(8);
        c.selectDeviceClip(bytes == 0 ? std::nullopt : region(r, 16, bytes), int(r.u32(12)));
        break;
    }
    case EMR_BITBLT: stretchBlt(r, false); break;
    case EMR_STRETCHBLT: stretchBlt(r, true); break;
    case EMR_MASKBLT: stretchBlt(r, false); break; // without its mask
    case EMR_SETDIBITSTODEVICE: {
        const MetafileBitmap::Decoded b = bitmapAt(r, 48);
        if (b.image.isNull())
            break;
        const QSizeF size(r.s32(40), r.s32(44));
        QRectF source(QPointF(r.s32(32), r.s32(36)), size);
        if (b.bottomUp)
            source.moveTop(b.image.height() - source.top() - source.height());
        c.bitmap(QRectF(QPointF(r.s32(24), r.s32(28)), size), b.image, source, 0x00CC0020);
        break;
    }
    case EMR_STRETCHDIBITS: {
        const QRectF destination(QPointF(r.s32(24), r.s32(28)), QSizeF(r.s32(72), r.s32(76)));
        const std::uint32_t rop = r.u32(68);
        const MetafileBitmap::Decoded b = bitmapAt(r, 48);
        if (b.image.isNull()) {
            if (r.u32(52) == 0)
                c.bitmap(destination, QImage(), QRectF(), rop);
            break;
        }
        QRectF source(QPointF(r.s32(32), r.s32(36)), QSizeF(r.s32(40), r.s32(44)));
        if (b.bottomUp)
            source.moveTop(b.image.height() - source.top() - source.height());
        c.bitmap(destination, b.image, source, rop);
        break;
    }
    case EMR_ALPHABLEND: { // as StretchBlt, with a blend function where the rop was
        const QRectF destination(QPointF(r.s32(24), r.s32(28)), QSizeF(r.s32(32), r.s32(36)));
        const bool perPixel = r.u8(43) & 1;
        const MetafileBitmap::Decoded b = bitmapAt(r, 84, perPixel);
        c.alphaBlend(destination, b.image, QRectF(QPointF(r.s32(44), r.s32(48)), QSizeF(r.s32(100), r.s32(104))),
            r.u8(42));
        break;
    }
    case EMR_TRANSPARENTBLT: { // as StretchBlt, with the transparent colour where the rop was
        const QRectF destination(QPointF(r.s32(24), r.s32(28)), QSizeF(r.s32(32), r.s32(36)));
        MetafileBitmap::Decoded b = bitmapAt(r, 84);
        if (b.image.isNull())
            break;
        QImage keyed = b.image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = qRgb(r.u8(40), r.u8(41), r.u8(42));
        for (int y = 0; y < keyed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x) {
                if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                    line[x] = 0;
            }
        }
        c.bitmap(destination, keyed, QRectF(QPointF(r.s32(44), r.s32(48)), QSizeF(r.s32(100), r.s32(104))),
            0x00CC0020);
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: { // handle, LOGFONTW
        MetafileFont font;
        font.height = r.s32(12);
        font.width = r.s32(16);
        font.escapement = r.s32(20);
        font.weight = r.s32(28);
        font.italic = r.u8(32);
        font.underline = r.u8(33);
        font.strikeOut = r.u8(34);
        font.charset = r.u8(35);
        QString face = MetafileText::decodeWide(r.span(40, 64).empty() ? r.rest(40) : r.span(40, 64));
        const qsizetype end = face.indexOf(QChar(0));
        font.face = end >= 0 ? face.left(end) : face;
        store(r.u32(8), font);
        break;
    }
    case EMR_EXTTEXTOUTA: text(r, 36, false); break;
    case EMR_EXTTEXTOUTW: text(r, 36, true); break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: { // bounds, mode, scales, count, EMRTEXT records
        const std::size_t count = r.fitting(40, r.u32(36), 40);
        for (std::size_t i = 0; i < count; ++i)
            text(r, 40 + 40 * i, type == EMR_POLYTEXTOUTW);
        break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: { // handle, usage, the bitmap's offsets
        store(r.u32(8), MetafileBrush::fromPattern(bitmapAt(r, 16).image));
        break;
    }
    case EMR_EXTCREATEPEN: { // handle, bitmap offsets, style, width, brush style, colour, hatch, dashes
        MetafilePen pen;
        pen.extended = true;
        pen.style = r.u32(28);
        pen.width = r.u32(32);
        pen.colour = colourRef(r, 40);
        if (r.u32(36) == 1) // BS_NULL
            pen.style = (pen.style & ~0xFu) | MetafilePen::Null;
        const std::size_t entries = r.fitting(52, std::min<std::uint32_t>(r.u32(48), 64), 4);
        for (std::size_t i = 0; i < entries; ++i)
            pen.dashes.push_back(r.u32(52 + 4 * i));
        store(r.u32(8), pen);
        break;
    }
    case EMR_SMALLTEXTOUT: { // x, y, count, options, mode, scales, [rectangle], characters
        const std::uint32_t options = r.u32(20);
        const std::size_t count = r.u32(16);
        std::size_t at = 36;
        std::optional<QRectF> box;
        if (!(options & 0x100)) {
            box = rectL(r, 36);
            at += 16;
        }
        const bool narrow = options & 0x200;
        const auto bytes = r.span(at, narrow ? count : count * 2);
        const QString decoded
            = narrow ? MetafileText::decode(bytes, m_canvas.font().charset) : MetafileText::decodeWide(bytes);
        c.text(pointL(r, 8), decoded, {}, options, box);
        break;
    }
    case EMR_GRADIENTFILL: { // bounds, vertices, shapes, mode, vertices (x, y, r, g, b, a), shapes
        const std::size_t vertices = r.fitting(36, r.u32(24), 16);
        if (vertices != r.u32(24))
            break;
        const std::uint32_t mode = r.u32(32);
        auto vertexPoint = [&r](std::size_t i) { return pointL(r, 36 + 16 * i); };
        auto vertexColour = [&r](std::size_t i) {
            const std::size_t at = 36 + 16 * i + 8;
            return QColor(r.u16(at) >> 8, r.u16(at + 2) >> 8, r.u16(at + 4) >> 8);
        };
        const std::size_t shapesAt = 36 + 16 * vertices;
        if (mode == 0 || mode == 1) {
            const std::size_t shapes = r.fitting(shapesAt, r.u32(28), 8);
            for (std::size_t i = 0; i < shapes; ++i) {
                const std::uint32_t a = r.u32(shapesAt + 8 * i);
                const std::uint32_t b = r.u32(shapesAt + 8 * i + 4);
                if (a < vertices && b < vertices)
                    c.gradientRect(vertexPoint(a), vertexPoint(b), vertexColour(a), vertexColour(b), mode == 1);
            }
        } else if (mode == 2) {
            const std::size_t shapes = r.fitting(shapesAt, r.u32(28), 12);
            for (std::size_t i = 0; i < shapes; ++i) {
                std::uint32_t v[3];
                int red = 0, green = 0, blue = 0;
                bool ok = true;
                for (int k = 0; k < 3; ++k) {
                    v[k] = r.u32(shapesAt + 12 * i + 4 * std::size_t(k));
                    ok = ok && v[k] < vertices;
                    if (ok) {
                        const QColor col = vertexColour(v[k]);
                        red += col.red();
                        green += col.green();
                        blue += col.blue();
                    }
                }
                if (ok) {
                    c.gradientTriangle(QPolygonF { vertexPoint(v[0]), vertexPoint(v[1]), vertexPoint(v[2]) },
                        QColor(red / 3, green / 3, blue / 3));
                }
            }
        }
        break;
    }
    default: break;
    }
}

}

bool EmfPlayer::play(std::span<const std::uint8_t> data, const MetafileCheck::Header& checked, MetafileCanvas& canvas,
    Deadline deadline)
{
    const RecordBytes file(data);
    Player player(canvas, file.u16(56));
    std::size_t at = 0;
    for (std::size_t count = 0; at + 8 <= checked.length && at + 8 <= data.size(); ++count) {
        if (count % 256 == 0 && std::chrono::steady_clock::now() > deadline)
            return false;
        const std::uint32_t type = file.u32(at);
        const std::size_t size = file.u32(at + 4);
        if (size < 8 || !file.holds(at, size) || type == EMR_EOF)
            break;
        player.record(type, RecordBytes(file.span(at, size)));
        if (canvas.exhausted())
            break;
        at += size;
    }
    return true;
}

}
