// SPDX-License-Identifier: MIT
#include "pictures/WmfPlayer.h"

#include "pictures/Limits.h"
#include "pictures/MetafileBitmap.h"
#include "pictures/MetafileCanvas.h"
#include "pictures/MetafileObjects.h"
#include "pictures/MetafileRecords.h"
#include "pictures/MetafileText.h"
#include "pictures/RecordBytes.h"

#include <QPainterPath>

#include <vector>

namespace pictures {

namespace {

using namespace wmf;

QColor colourRef(const RecordBytes& r, std::size_t at)
{
    return QColor(r.u8(at), r.u8(at + 1), r.u8(at + 2));
}

QPointF point(const RecordBytes& r, std::size_t at)
{
    return QPointF(r.s16(at), r.s16(at + 2));
}

// Rectangles are stored bottom, right, top, left.
QRectF reversedRect(const RecordBytes& r, std::size_t at)
{
    const double bottom = r.s16(at);
    const double right = r.s16(at + 2);
    const double top = r.s16(at + 4);
    const double left = r.s16(at + 6);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF points(const RecordBytes& r, std::size_t at, std::size_t count)
{
    const std::size_t n = r.fitting(at, count, 4);
    QPolygonF polygon;
    polygon.reserve(qsizetype(n));
    for (std::size_t i = 0; i < n; ++i)
        polygon << point(r, at + 4 * i);
    return polygon;
}

// The device-dependent bitmap of the oldest BitBlt records: type, width, height, bytes a row,
// planes, bits a pixel, then the rows top-down. Monochrome and 24-bit ones are read.
QImage bitmap16(const RecordBytes& r, std::size_t at)
{
    const int width = r.s16(at + 2);
    const int height = r.s16(at + 4);
    const std::size_t stride = r.u16(at + 6);
    const int planes = r.u8(at + 8);
    const int bits = r.u8(at + 9);
    if (width <= 0 || height <= 0 || planes != 1 || (bits != 1 && bits != 24) || !Limits {}.allows(width, height)
        || stride < (std::size_t(width) * std::size_t(bits) + 7) / 8 || r.fitting(at + 10, std::size_t(height), stride) < std::size_t(height))
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y) {
        const std::size_t row = at + 10 + std::size_t(y) * stride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (bits == 1) {
                line[x] = (r.u8(row + std::size_t(x) / 8) >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            } else {
                const std::size_t p = row + 3 * std::size_t(x);
                line[x] = qRgb(r.u8(p + 2), r.u8(p + 1), r.u8(p));
            }
        }
    }
    return image;
}

bool doubleByteLead(int page, std::uint8_t b)
{
    switch (page) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950:
    case 1361: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

// ExtTextOut gives one advance per byte; a double-byte character takes the advances of both. A
// lead byte that ends the text is dropped by the decoder, and its advance with it, so that the
// characters before it keep theirs.
std::vector<double> advancesPerCharacter(
    std::span<const std::uint8_t> bytes, const std::vector<double>& perByte, int charset, qsizetype characters)
{
    const int page = MetafileText::codePage(charset);
    std::vector<double> out;
    for (std::size_t i = 0; i < bytes.size() && i < perByte.size(); ++i) {
        if (!doubleByteLead(page, bytes[i])) {
            out.push_back(perByte[i]);
        } else if (i + 1 < perByte.size()) {
            out.push_back(perByte[i] + perByte[i + 1]);
            ++i;
        }
    }
    if (qsizetype(out.size()) != characters)
        return {};
    return out;
}

class Player {
public:
    Player(MetafileCanvas& canvas, std::size_t objects)
        : m_canvas(canvas)
        , m_objects(canvas, objects)
    {
    }

    void record(std::uint16_t function, const RecordBytes& r);

private:
    void text(QPointF at, std::span<const std::uint8_t> bytes, std::uint32_t options, std::optional<QRectF> box,
        const std::vector<double>& perByte);
    void dib(const QRectF& destination, std::span<const std::uint8_t> packed, QRectF source, std::uint32_t rop,
        bool sourceFromBottom);

    MetafileCanvas& m_canvas;
    MetafileObjects m_objects;
};

void Player::text(QPointF at, std::span<const std::uint8_t> bytes, std::uint32_t options, std::optional<QRectF> box,
    const std::vector<double>& perByte)
{
    const int charset = m_canvas.font().charset;
    const QString decoded = MetafileText::decode(bytes, charset);
    std::vector<double> advances;
    if (!perByte.empty())
        advances = advancesPerCharacter(bytes, perByte, charset, decoded.size());
    m_canvas.text(at, decoded, advances, options, box);
}

void Player::dib(const QRectF& destination, std::span<const std::uint8_t> packed, QRectF source, std::uint32_t rop,
    bool sourceFromBottom)
{
    if (packed.empty()) {
        m_canvas.bitmap(destination, QImage(), QRectF(), rop);
        return;
    }
    const MetafileBitmap::Decoded bitmap = MetafileBitmap::decodePacked(packed);
    if (bitmap.image.isNull())
        return;
    if (sourceFromBottom && bitmap.bottomUp)
        source.moveTop(bitmap.image.height() - source.top() - source.height());
    m_canvas.bitmap(destination, bitmap.image, source, rop);
}

void Player::record(std::uint16_t function, const RecordBytes& r)
{
    MetafileCanvas& c = m_canvas;
    switch (function) {
    case META_SAVEDC: c.saveDc(); break;
    case META_RESTOREDC: c.restoreDc(r.s16(0)); break;
    case META_SETBKMODE: c.setBackgroundMode(r.u16(0)); break;
    case META_SETMAPMODE: c.setMapMode(r.u16(0)); break;
    case META_SETROP2: c.setRop2(r.u16(0)); break;
    case META_SETPOLYFILLMODE: c.setPolyFillMode(r.u16(0)); break;
    case META_SETTEXTALIGN: c.setTextAlign(r.u16(0)); break;
    case META_SETBKCOLOR: c.setBackgroundColour(colourRef(r, 0)); break;
    case META_SETTEXTCOLOR: c.setTextColour(colourRef(r, 0)); break;
    case META_SETWINDOWORG: c.setWindowOrg(QPointF(r.s16(2), r.s16(0))); break;
    case META_SETWINDOWEXT: c.setWindowExt(QSizeF(r.s16(2), r.s16(0))); break;
    case META_SETVIEWPORTORG: c.setViewportOrg(QPointF(r.s16(2), r.s16(0))); break;
    case META_SETVIEWPORTEXT: c.setViewportExt(QSizeF(r.s16(2), r.s16(0))); break;
    case META_OFFSETWINDOWORG: c.offsetWindowOrg(QPointF(r.s16(2), r.s16(0))); break;
    case META_OFFSETVIEWPORTORG: c.offsetViewportOrg(QPointF(r.s16(2), r.s16(0))); break;
    case META_SCALEWINDOWEXT: c.scaleWindowExt(r.s16(6), r.s16(4), r.s16(2), r.s16(0)); break;
    case META_SCALEVIEWPORTEXT: c.scaleViewportExt(r.s16(6), r.s16(4), r.s16(2), r.s16(0)); break;
    case META_LINETO: c.lineTo(QPointF(r.s16(2), r.s16(0))); break;
    case META_MOVETO: c.moveTo(QPointF(r.s16(2), r.s16(0))); break;
    case META_EXCLUDECLIPRECT: c.excludeClipRect(reversedRect(r, 0)); break;
    case META_INTERSECTCLIPRECT: c.intersectClipRect(reversedRect(r, 0)); break;
    case META_OFFSETCLIPRGN: c.offsetClip(QPointF(r.s16(2), r.s16(0))); break;
    case META_ELLIPSE: c.ellipse(reversedRect(r, 0)); break;
    case META_RECTANGLE: c.rectangle(reversedRect(r, 0)); break;
    case META_ROUNDRECT: c.roundRect(reversedRect(r, 4), QSizeF(r.s16(2), r.s16(0))); break;
    case META_ARC:
    case META_CHORD:
    case META_PIE: {
        const MetafileCanvas::ArcKind kind = function == META_ARC ? MetafileCanvas::ArcKind::Arc
            : function == META_CHORD                                ? MetafileCanvas::ArcKind::Chord
                                                                : MetafileCanvas::ArcKind::Pie;
        c.arc(reversedRect(r, 8), QPointF(r.s16(6), r.s16(4)), QPointF(r.s16(2), r.s16(0)), kind);
        break;
    }
    case META_SETPIXEL: c.setPixel(QPointF(r.s16(6), r.s16(4)), colourRef(r, 0)); break;
    case META_POLYGON: c.polygon(points(r, 2, r.u16(0))); break;
    case META_POLYLINE: c.polyline(points(r, 2, r.u16(0))); break;
    case META_POLYPOLYGON: {
        const std::size_t count = r.fitting(2, r.u16(0), 2);
        std::vector<QPolygonF> polygons;
        std::size_t at = 2 + 2 * count;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t n = r.u16(2 + 2 * i);
            polygons.push_back(points(r, at, n));
            at += 4 * n;
        }
        c.polyPolygon(polygons);
        break;
    }
    case META_TEXTOUT: { // count, string, y, x
        const std::size_t count = r.u16(0);
        const std::size_t after = 2 + (count + 1) / 2 * 2;
        text(QPointF(r.s16(after + 2), r.s16(after)), r.span(2, count), 0, std::nullopt, {});
        break;
    }
    case META_EXTTEXTOUT: { // y, x, count, options, [rectangle], string, [advances]
        const std::size_t count = r.u16(4);
        const std::uint32_t options = r.u16(6);
        std::size_t at = 8;
        std::optional<QRectF> box;
        if (options & 0x0006) {
            box = QRectF(QPointF(r.s16(8), r.s16(10)), QPointF(r.s16(12), r.s16(14)));
            at = 16;
        }
        const std::span<const std::uint8_t> bytes = r.span(at, count);
        std::vector<double> advances;
        const std::size_t dxAt = at + (count + 1) / 2 * 2;
        if (r.fitting(dxAt, count, 2) == count) {
            for (std::size_t i = 0; i < count; ++i)
                advances.push_back(r.s16(dxAt + 2 * i));
        }
        text(QPointF(r.s16(2), r.s16(0)), bytes, options, box, advances);
        break;
    }
    case META_SELECTOBJECT: m_objects.select(r.u16(0)); break;
    case META_DELETEOBJECT: m_objects.remove(r.u16(0)); break;
    case META_CREATEPENINDIRECT: { // style, width (x, y), colour
        MetafilePen pen;
        pen.style = r.u16(0);
        pen.width = r.s16(2) < 0 ? -r.s16(2) : r.s16(2);
        pen.colour = colourRef(r, 6);
        m_objects.create(pen);
        break;
    }
    case META_CREATEBRUSHINDIRECT: { // style, colour, hatch
        MetafileBrush brush;
        const std::uint32_t style = r.u16(0);
        brush.colour = colourRef(r, 2);
        brush.hatch = r.u16(6);
        brush.kind = style == 1 ? MetafileBrush::Kind::Null
            : style == 2        ? MetafileBrush::Kind::Hatched
                                : MetafileBrush::Kind::Solid;
        m_objects.create(brush);
        break;
    }
    case META_CREATEFONTINDIRECT: {
        MetafileFont font;
        font.height = r.s16(0);
        font.width = r.s16(2);
        font.escapement = r.s16(4);
        font.weight = r.s16(8);
        font.italic = r.u8(10);
        font.underline = r.u8(11);
        font.strikeOut = r.u8(12);
        font.charset = r.u8(13);
        std::span<const std::uint8_t> face = r.rest(18).first(std::min<std::size_t>(32, r.rest(18).size()));
        std::size_t length = 0;
        while (length < face.size() && face[length])
            ++length;
        font.face = MetafileText::decode(face.first(length), font.charset);
        m_objects.create(font);
        break;
    }
    case META_DIBCREATEPATTERNBRUSH: { // style, usage, packed DIB
        m_objects.create(MetafileBrush::fromPattern(MetafileBitmap::decodePacked(r.rest(4)).image));
        break;
    }
    case META_CREATEPATTERNBRUSH: // with a device bitmap: kept as a plain brush, so the slots stay right
    case META_CREATEPALETTE:
        m_objects.create(MetafileBrush {});
        break;
    case META_CREATEREGION: // kept as its bounding box
        m_objects.create(QRectF(QPointF(r.s16(14), r.s16(16)), QPointF(r.s16(18), r.s16(20))));
        break;
    case META_SELECTCLIPREGION:
        if (const auto* box = m_objects.get<QRectF>(r.u16(0)))
            c.intersectClipRect(*box);
        break;
    case META_FILLREGION: { // region, brush
        const auto* box = m_objects.get<QRectF>(r.u16(0));
        const auto* brush = m_objects.get<MetafileBrush>(r.u16(2));
        if (box && brush) {
            c.saveDc();
            c.setBrush(*brush);
            c.setPen(MetafilePen { MetafilePen::Null, 0, Qt::black, false, {} });
            c.rectangle(*box);
            c.restoreDc(-1);
        }
        break;
    }
    case META_DIBBITBLT: // rop, [reserved], y and x source, height, width, y and x destination, DIB
        if (r.size() <= 18) {
            c.bitmap(QRectF(QPointF(r.s16(16), r.s16(14)), QSizeF(r.s16(12), r.s16(10))), QImage(), QRectF(), r.u32(0));
        } else {
            dib(QRectF(QPointF(r.s16(14), r.s16(12)), QSizeF(r.s16(10), r.s16(8))), r.rest(16),
                QRectF(QPointF(r.s16(6), r.s16(4)), QSizeF(r.s16(10), r.s16(8))), r.u32(0), false);
        }
        break;
    case META_DIBSTRETCHBLT: // rop, [reserved], source h, w, y, x, destination h, w, y, x, DIB
        if (r.size() <= 22) {
            c.bitmap(QRectF(QPointF(r.s16(20), r.s16(18)), QSizeF(r.s16(16), r.s16(14))), QImage(), QRectF(), r.u32(0));
        } else {
            dib(QRectF(QPointF(r.s16(18), r.s16(16)), QSizeF(r.s16(14), r.s16(12))), r.rest(20),
                QRectF(QPointF(r.s16(10), r.s16(8)), QSizeF(r.s16(6), r.s16(4))), r.u32(0), false);
        }
        break;
    case META_STRETCHDIB: // rop, usage, source h, w, y, x, destination h, w, y, x, DIB
        dib(QRectF(QPointF(r.s16(20), r.s16(18)), QSizeF(r.s16(16), r.s16(14))), r.rest(22),
            QRectF(QPointF(r.s16(12), r.s16(10)), QSizeF(r.s16(8), r.s16(6))), r.u32(0), true);
        break;
    case META_SETDIBTODEV: // usage, scans, first scan, y and x source, height, width, y and x destination
        dib(QRectF(QPointF(r.s16(16), r.s16(14)), QSizeF(r.s16(12), r.s16(10))), r.rest(18),
            QRectF(QPointF(r.s16(8), r.s16(6)), QSizeF(r.s16(12), r.s16(10))), 0x00CC0020, true);
        break;
    case META_BITBLT: // rop, [reserved], y and x source, height, width, y and x destination, [bitmap]
        if (r.size() <= 18) {
            c.bitmap(QRectF(QPointF(r.s16(16), r.s16(14)), QSizeF(r.s16(12), r.s16(10))), QImage(), QRectF(), r.u32(0));
        } else if (const QImage image = bitmap16(r, 16); !image.isNull()) {
            c.bitmap(QRectF(QPointF(r.s16(14), r.s16(12)), QSizeF(r.s16(10), r.s16(8))), image,
                QRectF(QPointF(r.s16(6), r.s16(4)), QSizeF(r.s16(10), r.s16(8))), r.u32(0));
        }
        break;
    case META_STRETCHBLT: // rop, [reserved], source h, w, y, x, destination h, w, y, x, [bitmap]
        if (r.size() <= 22) {
            c.bitmap(QRectF(QPointF(r.s16(20), r.s16(18)), QSizeF(r.s16(16), r.s16(14))), QImage(), QRectF(), r.u32(0));
        } else if (const QImage image = bitmap16(r, 20); !image.isNull()) {
            c.bitmap(QRectF(QPointF(r.s16(18), r.s16(16)), QSizeF(r.s16(14), r.s16(12))), image,
                QRectF(QPointF(r.s16(10), r.s16(8)), QSizeF(r.s16(6), r.s16(4))), r.u32(0));
        }
        break;
    case META_PATBLT: // rop, height, width, y, x
        c.bitmap(QRectF(QPointF(r.s16(10), r.s16(8)), QSizeF(r.s16(6), r.s16(4))), QImage(), QRectF(), r.u32(0));
        break;
    default: break;
    }
}

}

bool WmfPlayer::play(std::span<const std::uint8_t> data, const MetafileCheck::Header& checked, MetafileCanvas& canvas,
    Deadline deadline)
{
    const RecordBytes file(data);
    const std::size_t start = checked.kind == MetafileCheck::Kind::PlaceableWmf ? 22 : 0;
    Player player(canvas, file.u16(start + 10));
    std::size_t at = start + 18;
    for (std::size_t count = 0; at + 6 <= checked.length && at + 6 <= data.size(); ++count) {
        if (count % 256 == 0 && std::chrono::steady_clock::now() > deadline)
            return false;
        const std::size_t bytes = std::size_t(file.u32(at)) * 2;
        const std::uint16_t function = file.u16(at + 4);
        if (bytes < 6 || !file.holds(at, bytes) || function == 0)
            break;
        player.record(function, RecordBytes(file.span(at + 6, bytes - 6)));
        if (canvas.exhausted())
            break;
        at += bytes;
    }
    return true;
}

}
