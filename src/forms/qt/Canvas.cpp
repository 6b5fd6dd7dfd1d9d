// SPDX-License-Identifier: MIT
#include "forms/qt/Canvas.h"

#include "forms/ControlArray.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/Window.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/Twips.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

namespace forms::qt {

namespace {

QFont fontFor(const forms::Look& look, const QFont& base)
{
    QFont font = base;
    if (!look.fontFamily.empty()) {
        // A design face this system lacks falls back to the program's own list of near faces,
        // not to whatever the font configuration substitutes.
        QStringList families = base.families();
        families.prepend(QString::fromStdString(look.fontFamily));
        font.setFamilies(families);
    }
    if (look.pointSize > 0)
        font.setPointSizeF(look.pointSize);
    font.setBold(look.bold);
    font.setItalic(look.italic);
    return font;
}

int alignmentFlags(const forms::Label& label)
{
    switch (label.alignment()) {
    case forms::Alignment::Right:
        return Qt::AlignRight;
    case forms::Alignment::Center:
        return Qt::AlignHCenter;
    case forms::Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

}

Canvas::Canvas(forms::Window& window, QWidget* parent)
    : QWidget(parent)
    , m_window(&window)
{
    // The window's own colour is painted, not put into the palette: the buttons and boxes on
    // the canvas inherit its palette and would draw their outlines in that colour (black on the
    // black program-information picture).
    setAutoFillBackground(!window.hasBackColor());
    m_ground = window.hasBackColor() ? QColor::fromRgb(window.backColor()) : palette().color(QPalette::Window);
    if (!window.backgroundPicture().empty())
        m_background = QImage(QString::fromStdString(window.backgroundPicture()));
}

QRect Canvas::labelRect(const forms::Control& control) const
{
    const QRect rect = pixelRect(control);
    const auto& label = static_cast<const forms::Label&>(control);
    if (!label.autoSize())
        return rect;
    const QFontMetrics metrics(fontFor(label.look(), font()));
    QString text = QString::fromStdString(label.caption());
    text.remove(QLatin1Char('&'));
    const QSize size = metrics.size(Qt::TextSingleLine, text);
    return QRect(rect.topLeft(), size.expandedTo(QSize(1, 1)));
}

void Canvas::invalidateAll()
{
    if (m_allInvalid)
        return;
    m_allInvalid = true;
    update();
}

void Canvas::invalidate(const forms::Control& control)
{
    // Once the whole canvas is due for a repaint, thousands of small updates add nothing.
    if (m_allInvalid)
        return;
    QRect rect = control.kind() == forms::ControlKind::Label ? labelRect(control).united(pixelRect(control))
                                                            : pixelRect(control);
    if (control.kind() == forms::ControlKind::Line) {
        const int pen = static_cast<const forms::Line&>(control).borderWidth();
        rect.adjust(-pen, -pen, pen, pen);
    }
    // A picture and its border stay inside its rectangle. Text and wide pens may stray a
    // pixel past theirs; a picture's update must not reach the path labels beside it, or a
    // playback tick would draw thousands of them again.
    if (control.kind() == forms::ControlKind::Image)
        update(rect);
    else
        update(rect.adjusted(-1, -1, 1, 1));
}

void Canvas::paintEvent(QPaintEvent* event)
{
    if (!m_window)
        return;
    // Whatever was due has been merged into this paint; later changes need their own updates.
    m_allInvalid = false;
    QPainter painter(this);
    const QRegion exposed = event->region();
    if (m_window->hasBackColor()) {
        for (const QRect& rect : exposed)
            painter.fillRect(rect, m_ground);
    }
    if (!m_background.isNull())
        painter.drawImage(QPoint(0, 0), m_background);

    // Frame pictures lie on top of each other by the thousand, and a stretched one may reach far
    // past the window. Going from the top down, each control is left what the opaque controls
    // above it have not covered; one left nothing is not drawn at all, and the others are drawn
    // bottom up, clipped to what they were left, so every pixel comes out as before. The walk
    // ends as soon as nothing is left.
    std::vector<Part>& parts = m_parts;
    parts.clear();
    QRegion open = exposed;
    auto visit = [&](const forms::Control* control) {
        if (!control || !control->visible() || !control->isLightweight() || !open.intersects(reach(*control)))
            return;
        parts.push_back(Part { control, open });
        const QRect solid = opaqueRect(*control);
        if (!solid.isEmpty())
            open -= solid;
    };
    walkTopDown([&](const forms::Control* control) {
        visit(control);
        return !open.isEmpty();
    });

    const forms::Control* previous = nullptr;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        // An empty bordered frame drawn again at the same place changes no pixel. Nothing drawn
        // between the two can have changed what the second one was left.
        if (previous && sameEmptyFrame(*previous, *part->control))
            continue;
        painter.setClipRegion(part->visible);
        paintControl(painter, *part->control);
        ++m_controlsPainted;
        previous = part->control;
    }
}

template<typename Visit>
void Canvas::walkTopDown(Visit&& visit) const
{
    // Drawing order: design-time controls in creation order, then the loaded elements of each
    // array, which were created after them and so lie on top, then the controls brought to the
    // front. The walk goes the other way and stops when `visit` says so.
    const std::vector<forms::Control*>& front = m_window->frontControls();
    for (auto control = front.rbegin(); control != front.rend(); ++control) {
        if ((*control)->isLightweight() && !visit(*control))
            return;
    }
    const std::vector<forms::ControlArrayBase*>& arrays = m_window->arrays();
    for (auto array = arrays.rbegin(); array != arrays.rend(); ++array) {
        const forms::Control* zero = (*array)->at(0);
        if (!zero || !zero->isLightweight())
            continue;
        for (int i = (*array)->size() - 1; i >= 1; --i) {
            const forms::Control* element = (*array)->at(i);
            if (element && !element->inFront() && !visit(element))
                return;
        }
    }
    const std::vector<forms::Control*>& controls = m_window->controls();
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        if (!(*control)->inFront() && !visit(*control))
            return;
    }
}

QString Canvas::shownCaption(const forms::Label& label, const QRect& rect) const
{
    const QString caption = QString::fromStdString(label.caption());
    if (!label.elidesMiddle())
        return caption;
    const QFontMetrics metrics(fontFor(label.look(), font()));
    return metrics.elidedText(caption, Qt::ElideMiddle, std::max(rect.width(), 0));
}

QRect Canvas::textRect(const forms::Label& label) const
{
    const QRect rect = labelRect(label);
    return label.borderStyle() == 1 ? rect.adjusted(2, 1, -2, -1) : rect;
}

bool Canvas::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !m_window)
        return QWidget::event(event);
    // A label drawn shortened shows its whole caption when the pointer rests on it.
    const auto* help = static_cast<QHelpEvent*>(event);
    const forms::Label* shortened = nullptr;
    walkTopDown([&](const forms::Control* control) {
        if (!control->isLightweight() || !control->visible() || !reach(*control).contains(help->pos()))
            return true;
        if (control->kind() == forms::ControlKind::Label) {
            const auto& label = static_cast<const forms::Label&>(*control);
            const QString caption = QString::fromStdString(label.caption());
            if (shownCaption(label, textRect(label)) != caption)
                shortened = &label;
        }
        return false;
    });
    if (shortened)
        QToolTip::showText(help->globalPos(), QString::fromStdString(shortened->caption()), this);
    else
        QToolTip::hideText();
    return true;
}

QRect Canvas::reach(const forms::Control& control) const
{
    switch (control.kind()) {
    case forms::ControlKind::Label: {
        // Thousands of empty path labels lie on top of each other; they draw nothing.
        const auto& label = static_cast<const forms::Label&>(control);
        if (label.caption().empty() && label.borderStyle() == 0 && label.look().transparent)
            return {};
        return labelRect(label);
    }
    case forms::ControlKind::Image: {
        const auto& image = static_cast<const forms::Image&>(control);
        if (image.picture().isNull() && image.borderStyle() != 1)
            return {};
        return pixelRect(image);
    }
    case forms::ControlKind::Line: {
        const auto& line = static_cast<const forms::Line&>(control);
        const int pen = line.borderWidth() + 1;
        const QPoint a(toPixels(line.x1()), toPixels(line.y1()));
        const QPoint b(toPixels(line.x2()), toPixels(line.y2()));
        return QRect(a, b).normalized().adjusted(-pen, -pen, pen, pen);
    }
    default:
        return pixelRect(control);
    }
}

QRect Canvas::opaqueRect(const forms::Control& control) const
{
    if (control.kind() == forms::ControlKind::Label) {
        const auto& label = static_cast<const forms::Label&>(control);
        return label.look().transparent ? QRect() : labelRect(label);
    }
    if (control.kind() != forms::ControlKind::Image)
        return {};
    const auto& image = static_cast<const forms::Image&>(control);
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
    const QRect drawn = QRect(inside.topLeft(), QSize(image.picture().width(), image.picture().height())).intersected(inside);
    return drawn == inside ? rect : drawn;
}

bool Canvas::sameEmptyFrame(const forms::Control& a, const forms::Control& b)
{
    if (a.kind() != forms::ControlKind::Image || b.kind() != forms::ControlKind::Image)
        return false;
    const auto& x = static_cast<const forms::Image&>(a);
    const auto& y = static_cast<const forms::Image&>(b);
    return x.picture().isNull() && y.picture().isNull() && x.borderStyle() == y.borderStyle()
        && pixelRect(x) == pixelRect(y);
}

void Canvas::paintControl(QPainter& painter, const forms::Control& control) const
{
    switch (control.kind()) {
    case forms::ControlKind::Image: {
        const auto& image = static_cast<const forms::Image&>(control);
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
            painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        break;
    }
    case forms::ControlKind::Label: {
        const auto& label = static_cast<const forms::Label&>(control);
        const QRect rect = labelRect(label);
        painter.save();
        painter.setFont(fontFor(label.look(), font()));
        if (!label.look().transparent)
            painter.fillRect(rect, m_ground);
        QPalette::ColorGroup group = label.enabled() ? QPalette::Active : QPalette::Disabled;
        QColor color = palette().color(group, QPalette::WindowText);
        if (label.look().highlightText)
            color = palette().color(group, QPalette::HighlightedText);
        else if (label.look().foreColor && label.enabled())
            color = QColor::fromRgb(*label.look().foreColor);
        painter.setPen(color);
        int flags = alignmentFlags(label) | Qt::TextShowMnemonic | Qt::AlignTop;
        if (label.elidesMiddle())
            flags = (flags & ~Qt::TextShowMnemonic) | Qt::TextSingleLine;
        else if (label.wordWrap() || !label.autoSize())
            flags |= Qt::TextWordWrap;
        const QRect text = textRect(label);
        painter.drawText(text, flags, shownCaption(label, text));
        if (label.borderStyle() == 1) {
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        painter.restore();
        break;
    }
    case forms::ControlKind::Line: {
        const auto& line = static_cast<const forms::Line&>(control);
        static constexpr Qt::PenStyle styles[] = { Qt::NoPen, Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine };
        const int style = line.borderStyle() >= 0 && line.borderStyle() <= 5 ? line.borderStyle() : 1;
        painter.setPen(QPen(palette().color(QPalette::WindowText), line.borderWidth(), styles[style], Qt::FlatCap));
        painter.drawLine(QPointF(line.x1() / kTwipsPerPixel, line.y1() / kTwipsPerPixel),
                         QPointF(line.x2() / kTwipsPerPixel, line.y2() / kTwipsPerPixel));
        break;
    }
    default:
        break;
    }
}

}
