// SPDX-License-Identifier: MIT
// Raster operations: bitmaps with a ternary raster operation, PatBlt, alpha blending and pixels.
#include "pictures/MetafileCanvas.h"

#include "pictures/MetafileCanvasState.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pictures {

using namespace canvas;

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

}
