// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QBrush;
class QPainter;
class QPen;

namespace pictures {

// The graphics objects a metafile creates and selects, as the file describes them; the canvas
// turns them into Qt pens, brushes and fonts when it draws.
struct MetafilePen {
    enum Style : std::uint32_t { Solid = 0, Dash, Dot, DashDot, DashDotDot, Null, InsideFrame, UserStyle, Alternate };
    std::uint32_t style = Solid; // low four bits: the style; then end cap, join and geometric flags
    double width = 0; // logical units; 0 is one device pixel
    QColor colour = Qt::black;
    bool extended = false; // made by ExtCreatePen: geometric pens keep their dashes at any width
    std::vector<double> dashes; // a user style, in logical units
};

struct MetafileBrush {
    enum class Kind { Solid, Null, Hatched, Pattern };
    Kind kind = Kind::Solid;
    QColor colour = Qt::white;
    int hatch = 0;
    QImage pattern;

    // A brush that tiles the image; an image too large for a pattern (real patterns are tiles of a
    // few pixels, and a file must not fill its object table with big images) gives its average
    // colour instead, and no image gives the default brush.
    static MetafileBrush fromPattern(const QImage& image);
};

struct MetafileFont {
    double height = 0; // negative: character height; positive: cell height; 0: the default
    double width = 0;
    int escapement = 0; // tenths of a degree, anticlockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 1;
    QString face;
};

// A device context drawn onto a QPainter: the state a WMF or EMF record changes (mapping, pen,
// brush, font, colours, modes, clipping, path, current position) with SaveDC/RestoreDC, and the
// drawing operations in the file's logical coordinates.
//
// Hostile files cannot make it work without bound: every operation is measured in the pixels it
// can touch and counted against a budget, coordinates far outside the picture are dropped, and
// the state stack is capped. Without a painter it only measures where the drawing lands
// (for a plain WMF that names no window).
class MetafileCanvas {
public:
    enum class Flavour { Wmf, Emf };

    struct Setup {
        Flavour flavour = Flavour::Emf;
        // The rectangle of device space that fills the picture (WMF: the frame's logical units;
        // EMF: the reference device's pixels), and the picture's size.
        QRectF frame;
        QSize size;
        // The reference device's pixels per millimetre, for the metric mapping modes.
        double pixelsPerMmX = 96 / 25.4;
        double pixelsPerMmY = 96 / 25.4;
        // Pixels the drawing may touch in all, summed over operations.
        std::int64_t workBudget = 0;
    };

    // `painter` may be null: then nothing is drawn and measured() collects the drawing's bounds.
    MetafileCanvas(QPainter* painter, const Setup& setup);
    ~MetafileCanvas();

    // True once the drawing has used up its budget; the player stops there.
    bool exhausted() const { return m_exhausted; }
    // Device-space bounds of everything drawn (measuring canvas).
    QRectF measured() const { return m_measured; }
    // The font selected now (after SaveDC/RestoreDC), whose character set decodes 8-bit text.
    const MetafileFont& font() const;

    // State.
    void saveDc();
    void restoreDc(int which);
    void setMapMode(int mode);
    void setWindowOrg(QPointF origin);
    void setWindowExt(QSizeF extent);
    void setViewportOrg(QPointF origin);
    void setViewportExt(QSizeF extent);
    void offsetWindowOrg(QPointF by);
    void offsetViewportOrg(QPointF by);
    void scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
    void scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
    void setWorldTransform(const QTransform& transform);
    // 1: identity, 2: before the current one, 3: after it, 4: replace.
    void modifyWorldTransform(const QTransform& transform, int mode);
    void setPen(const MetafilePen& pen);
    void setBrush(const MetafileBrush& brush);
    void setFont(const MetafileFont& font);
    void setTextColour(QColor colour);
    void setBackgroundColour(QColor colour);
    void setBackgroundMode(int mode);
    void setTextAlign(std::uint32_t align);
    void setPolyFillMode(int mode);
    void setRop2(int rop);
    void setArcDirection(int direction);
    void setMiterLimit(double limit);

    // Drawing, in logical coordinates.
    void moveTo(QPointF to);
    void lineTo(QPointF to);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polygon(const QPolygonF& points);
    void polyPolygon(const std::vector<QPolygonF>& polygons);
    void polyPolyline(const std::vector<QPolygonF>& lines);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    // Types as PolyDraw has them: 6 move, 2 line, 4 Bézier, with 1 to close the figure.
    void polyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(const QRectF& box, QPointF start, QPointF end, ArcKind kind);
    void angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void setPixel(QPointF at, QColor colour);
    // Text at `reference` (or the current position, if the alignment says so); `advances` in
    // logical units, one per character, may be empty. Options: 2 opaque, 4 clipped to `box`.
    void text(QPointF reference, const QString& text, const std::vector<double>& advances, std::uint32_t options,
        std::optional<QRectF> box);
    // A bitmap into `destination` (logical), from `source` (pixels of `image`), with a ternary
    // raster operation. A null image is a raster operation with no source (PatBlt).
    void bitmap(const QRectF& destination, const QImage& image, const QRectF& source, std::uint32_t rop);
    void alphaBlend(const QRectF& destination, const QImage& image, const QRectF& source, int constantAlpha);
    // A filled area in device coordinates (EMF regions), with a brush or the current one.
    void fillDeviceRegion(const QPainterPath& region, const std::optional<MetafileBrush>& brush);
    void frameDeviceRegion(const QPainterPath& region, const MetafileBrush& brush, QSizeF thickness);
    // Gradient rectangles and triangles (EMR_GRADIENTFILL), corners and colours given.
    void gradientRect(QPointF from, QPointF to, QColor first, QColor second, bool vertical);
    void gradientTriangle(const QPolygonF& corners, QColor average);

    // Paths.
    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    // Clipping; modes as in RGN_AND 1, OR 2, XOR 3, DIFF 4, COPY 5.
    void selectClipPath(int mode);
    void intersectClipRect(const QRectF& box);
    void excludeClipRect(const QRectF& box);
    void offsetClip(QPointF by);
    // A region in device coordinates; an empty optional with COPY removes the clip.
    void selectDeviceClip(const std::optional<QPainterPath>& region, int mode);

private:
    struct State;

    QTransform pageTransform() const;
    QTransform fullTransform() const;
    void transformChanged();
    void applyClip();
    void combineClip(const QPainterPath& canvasPath, int mode);
    // A rectangle in logical units, combined with the clip region as combineClip does.
    void combineClipRect(const QRectF& box, int mode);
    // Checks an operation with these canvas-space bounds against the budget and the coordinate
    // range; false means: draw nothing.
    bool admit(QRectF canvasBounds, std::int64_t points);
    bool admitLogical(const QRectF& logical, std::int64_t points);
    double penPixels() const;
    QPen qtPen(double deviceLength) const;
    QBrush qtBrush(const MetafileBrush& brush, const QTransform& painterTransform) const;
    void paint(const QPainterPath& path, QPen pen, QBrush brush);
    // Raster operations that read the destination assume a page, not glass: the first one lays
    // the picture so far on white.
    void layOnWhite();
    void drawShape(const QPainterPath& path, bool fill, bool stroke);
    void addToPath(const QPainterPath& piece, bool connect);
    QPainterPath arcPath(const QRectF& box, QPointF start, QPointF end, ArcKind kind, bool withLineFromCurrent) const;

    QPainter* m_painter;
    Setup m_setup;
    QTransform m_deviceToCanvas;
    std::unique_ptr<State> m_state;
    std::vector<State> m_stack;
    std::optional<QPainterPath> m_path;
    bool m_pathOpen = false;
    std::int64_t m_work = 0;
    bool m_exhausted = false;
    bool m_onWhite = false;
    QRectF m_measured;
};

}
