// SPDX-License-Identifier: MIT
#include "forms/qt/controls/ImageBinding.h"

#include "forms/Image.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/Twips.h"

#include <QPainter>

namespace forms::qt {

namespace {

const forms::Image& asImage(const forms::Control& control)
{
    return static_cast<const forms::Image&>(control);
}

}

ImageBinding::ImageBinding()
    : ControlBinding(true)
{
}

QRect ImageBinding::reach(const Canvas&, const forms::Control& control) const
{
    const forms::Image& image = asImage(control);
    if (image.picture().isNull() && image.borderStyle() != 1)
        return {};
    return pixelRect(image);
}

QRect ImageBinding::opaqueRect(const Canvas&, const forms::Control& control) const
{
    const forms::Image& image = asImage(control);
    // Known without decoding: a covered frame must cost nothing.
    if (!QtPicture::isOpaque(image.picture()))
        return {};
    // Stretched, the picture and its border fill the whole control; otherwise the picture is sure
    // to cover only its own size inside the border, and the border's ring counts only where the
    // picture fills everything it surrounds. Left out, that ring would leave a thin frame open on
    // every picture below, and thousands of stacked pictures would all be drawn into it.
    const QRect rect = pixelRect(image);
    const QRect inside = image.borderStyle() == 1 ? rect.adjusted(1, 1, -1, -1) : rect;
    if (image.stretch())
        return rect;
    const QRect drawn
        = QRect(inside.topLeft(), QSize(image.picture().width(), image.picture().height())).intersected(inside);
    return drawn == inside ? rect : drawn;
}

QRect ImageBinding::dirtyRect(const Canvas&, const forms::Control& control) const
{
    // A picture and its border stay inside its rectangle. A picture's update must not reach the
    // path labels beside it, or a playback tick would draw thousands of them again.
    return pixelRect(control);
}

bool ImageBinding::repaintsNothingAfter(const forms::Control& previous, const forms::Control& control) const
{
    // An empty bordered frame drawn again at the same place changes no pixel.
    if (previous.kind() != forms::ControlKind::Image)
        return false;
    const forms::Image& x = asImage(previous);
    const forms::Image& y = asImage(control);
    return x.picture().isNull() && y.picture().isNull() && x.borderStyle() == y.borderStyle()
        && pixelRect(x) == pixelRect(y);
}

void ImageBinding::paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const
{
    const forms::Image& image = asImage(control);
    const QRect rect = pixelRect(image);
    // A border takes the outermost pixels; the picture goes inside it.
    const QRect inside = image.borderStyle() == 1 ? rect.adjusted(1, 1, -1, -1) : rect;
    if (const QImage pixels = inside.isEmpty() ? QImage() : QtPicture::imageOf(image.picture()); !pixels.isNull()) {
        painter.save();
        painter.setClipRect(inside, Qt::IntersectClip);
        // Scaled while drawing, clipped to what can be seen of it: no scaled copy is kept.
        if (image.stretch())
            painter.drawImage(inside, pixels);
        else
            painter.drawImage(inside.topLeft(), pixels);
        painter.restore();
    }
    if (image.borderStyle() == 1) {
        painter.setPen(QPen(canvas.palette().color(QPalette::WindowText), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

QString ImageBinding::accessibleName(const forms::Control&) const
{
    return QStringLiteral("Picture");
}

}
