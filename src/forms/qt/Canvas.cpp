// SPDX-License-Identifier: MIT
#include "forms/qt/Canvas.h"

#include "forms/ControlArray.h"
#include "forms/Image.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/Window.h"
#include "forms/qt/QtPicture.h"
#include "forms/qt/Twips.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

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
    setAutoFillBackground(true);
    if (window.hasBackColor()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor::fromRgb(window.backColor()));
        setPalette(p);
    }
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
    update(rect.adjusted(-1, -1, 1, 1));
}

void Canvas::paintEvent(QPaintEvent* event)
{
    if (!m_window)
        return;
    // Whatever was due has been merged into this paint; later changes need their own updates.
    m_allInvalid = false;
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (!m_background.isNull())
        painter.drawImage(QPoint(0, 0), m_background);

    // Design-time controls first, in creation order; then the loaded elements of each array,
    // which were created after them and so lie on top.
    std::vector<const forms::Control*>& items = m_paintList;
    items.clear();
    auto consider = [&](const forms::Control* control) {
        if (control && control->isLightweight() && control->visible())
            items.push_back(control);
    };
    for (const forms::Control* control : m_window->controls())
        consider(control);
    for (const forms::ControlArrayBase* array : m_window->arrays()) {
        const forms::Control* zero = array->at(0);
        if (!zero || !zero->isLightweight())
            continue;
        for (int i = 1; i < array->size(); ++i)
            consider(array->at(i));
    }

    // Frame pictures lie on top of each other by the thousand. Everything below the topmost
    // opaque picture that covers the exposed area cannot be seen, so drawing starts there.
    std::size_t first = 0;
    for (std::size_t i = items.size(); i-- > 0;) {
        if (covers(*items[i], exposed)) {
            first = i;
            break;
        }
    }
    const forms::Control* previous = nullptr;
    for (std::size_t i = first; i < items.size(); ++i) {
        // An empty bordered frame drawn again at the same place changes no pixel.
        if (previous && sameEmptyFrame(*previous, *items[i]))
            continue;
        paintControl(painter, *items[i], exposed);
        previous = items[i];
    }
}

bool Canvas::covers(const forms::Control& control, const QRect& area)
{
    if (control.kind() != forms::ControlKind::Image)
        return false;
    const auto& image = static_cast<const forms::Image&>(control);
    // Known without decoding: a covered frame must cost nothing.
    if (!QtPicture::isOpaque(image.picture()))
        return false;
    QRect drawn = pixelRect(image);
    if (!image.stretch())
        drawn.setSize(drawn.size().boundedTo(QSize(image.picture().width(), image.picture().height())));
    return drawn.contains(area);
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

void Canvas::paintControl(QPainter& painter, const forms::Control& control, const QRect& exposed) const
{
    switch (control.kind()) {
    case forms::ControlKind::Image: {
        const auto& image = static_cast<const forms::Image&>(control);
        const QRect rect = pixelRect(image);
        if (!rect.intersects(exposed))
            return;
        if (const QImage pixels = QtPicture::imageOf(image.picture()); !pixels.isNull()) {
            painter.save();
            painter.setClipRect(rect.intersected(exposed));
            // Scaled while drawing, clipped to what is exposed: no scaled copy is ever kept.
            if (image.stretch())
                painter.drawImage(rect, pixels);
            else
                painter.drawImage(rect.topLeft(), pixels);
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
        // Thousands of empty path labels lie on top of each other; they draw nothing.
        if (label.caption().empty() && label.borderStyle() == 0 && label.look().transparent)
            return;
        const QRect rect = labelRect(label);
        if (!rect.intersects(exposed))
            return;
        painter.save();
        painter.setFont(fontFor(label.look(), font()));
        if (!label.look().transparent)
            painter.fillRect(rect, palette().color(QPalette::Window));
        QPalette::ColorGroup group = label.enabled() ? QPalette::Active : QPalette::Disabled;
        QColor color = palette().color(group, QPalette::WindowText);
        if (label.look().highlightText)
            color = palette().color(group, QPalette::HighlightedText);
        else if (label.look().foreColor && label.enabled())
            color = QColor::fromRgb(*label.look().foreColor);
        painter.setPen(color);
        int flags = alignmentFlags(label) | Qt::TextShowMnemonic | Qt::AlignTop;
        if (label.wordWrap() || !label.autoSize())
            flags |= Qt::TextWordWrap;
        painter.drawText(label.borderStyle() == 1 ? rect.adjusted(2, 1, -2, -1) : rect, flags,
                         QString::fromStdString(label.caption()));
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
