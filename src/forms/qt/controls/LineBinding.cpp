// SPDX-License-Identifier: MIT
#include "forms/qt/controls/LineBinding.h"

#include "forms/Line.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/Twips.h"

#include <QPainter>

namespace forms::qt {

namespace {

const forms::Line& asLine(const forms::Control& control)
{
    return static_cast<const forms::Line&>(control);
}

}

LineBinding::LineBinding()
    : ControlBinding(true)
{
}

QRect LineBinding::reach(const Canvas&, const forms::Control& control) const
{
    const forms::Line& line = asLine(control);
    const int pen = line.borderWidth() + 1;
    const QPoint a(toPixels(line.x1()), toPixels(line.y1()));
    const QPoint b(toPixels(line.x2()), toPixels(line.y2()));
    return QRect(a, b).normalized().adjusted(-pen, -pen, pen, pen);
}

QRect LineBinding::dirtyRect(const Canvas&, const forms::Control& control) const
{
    const int pen = asLine(control).borderWidth() + 1;
    return pixelRect(control).adjusted(-pen, -pen, pen, pen);
}

void LineBinding::paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const
{
    const forms::Line& line = asLine(control);
    static constexpr Qt::PenStyle styles[]
        = {Qt::NoPen, Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    const int style = line.borderStyle() >= 0 && line.borderStyle() <= 5 ? line.borderStyle() : 1;
    painter.setPen(QPen(canvas.palette().color(QPalette::WindowText), line.borderWidth(), styles[style], Qt::FlatCap));
    painter.drawLine(QPointF(line.x1() / kTwipsPerPixel, line.y1() / kTwipsPerPixel),
        QPointF(line.x2() / kTwipsPerPixel, line.y2() / kTwipsPerPixel));
}

}
