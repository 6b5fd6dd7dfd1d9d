// SPDX-License-Identifier: MIT
#include "forms/qt/controls/LabelBinding.h"

#include "forms/Label.h"
#include "forms/qt/Canvas.h"
#include "forms/qt/Twips.h"

#include <QFontMetrics>

#include <algorithm>
#include <QPainter>

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

// A caption's words as read aloud: "&Password:" marks its access key and reads "Password:";
// "&&" stands for one ampersand.
QString withoutAccessMarks(const std::string& caption)
{
    QString result;
    const QString text = QString::fromStdString(caption);
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                ++i;
            else
                continue;
        }
        result.append(text[i]);
    }
    return result;
}

const forms::Label& asLabel(const forms::Control& control)
{
    return static_cast<const forms::Label&>(control);
}

// Inside the border, if there is one.
QRect innerRect(const QRect& rect, const forms::Label& label)
{
    return label.borderStyle() == 1 ? rect.adjusted(2, 1, -2, -1) : rect;
}

// The caption as drawn into `rect`: shortened in the middle when the label elides, so that the
// end of a long path (the file's name) stays in sight; the caption itself keeps it whole.
QString shownCaption(const QWidget& canvas, const forms::Label& label, const QRect& rect)
{
    const QString caption = QString::fromStdString(label.caption());
    if (!label.elidesMiddle())
        return caption;
    const QFontMetrics metrics(fontFor(label.look(), canvas.font()));
    return metrics.elidedText(caption, Qt::ElideMiddle, std::max(rect.width(), 0));
}

}

LabelBinding::LabelBinding()
    : ControlBinding(true)
{
}

QRect LabelBinding::textRect(const QWidget& canvas, const forms::Label& label)
{
    const QRect rect = pixelRect(label);
    if (!label.autoSize())
        return rect;
    const QFontMetrics metrics(fontFor(label.look(), canvas.font()));
    QString text = QString::fromStdString(label.caption());
    text.remove(QLatin1Char('&'));
    const QSize size = metrics.size(Qt::TextSingleLine, text);
    return QRect(rect.topLeft(), size.expandedTo(QSize(1, 1)));
}

bool LabelBinding::isShortened(const QWidget& canvas, const forms::Label& label)
{
    return label.elidesMiddle()
        && shownCaption(canvas, label, innerRect(textRect(canvas, label), label)) != QString::fromStdString(label.caption());
}

QRect LabelBinding::bounds(const Canvas& canvas, const forms::Control& control) const
{
    return textRect(canvas, asLabel(control));
}

QRect LabelBinding::reach(const Canvas& canvas, const forms::Control& control) const
{
    // Thousands of empty path labels lie on top of each other; they draw nothing.
    const forms::Label& label = asLabel(control);
    if (label.caption().empty() && label.borderStyle() == 0 && label.look().transparent)
        return {};
    return textRect(canvas, label);
}

QRect LabelBinding::opaqueRect(const Canvas& canvas, const forms::Control& control) const
{
    const forms::Label& label = asLabel(control);
    return label.look().transparent ? QRect() : textRect(canvas, label);
}

QRect LabelBinding::dirtyRect(const Canvas& canvas, const forms::Control& control) const
{
    // An auto-size label that grew or shrank leaves what it covered before to be cleared.
    return textRect(canvas, asLabel(control)).united(pixelRect(control)).adjusted(-1, -1, 1, 1);
}

void LabelBinding::paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const
{
    const forms::Label& label = asLabel(control);
    const QRect rect = textRect(canvas, label);
    const QPalette& palette = canvas.palette();
    painter.save();
    painter.setFont(fontFor(label.look(), canvas.font()));
    if (!label.look().transparent)
        painter.fillRect(rect, canvas.ground());
    QPalette::ColorGroup group = label.enabled() ? QPalette::Active : QPalette::Disabled;
    QColor color = palette.color(group, QPalette::WindowText);
    if (label.look().highlightText)
        color = palette.color(group, QPalette::HighlightedText);
    else if (label.look().foreColor && label.enabled())
        color = QColor::fromRgb(*label.look().foreColor);
    painter.setPen(color);
    int flags = alignmentFlags(label) | Qt::TextShowMnemonic | Qt::AlignTop;
    if (label.elidesMiddle())
        flags = (flags & ~Qt::TextShowMnemonic) | Qt::TextSingleLine;
    else if (label.wordWrap() || !label.autoSize())
        flags |= Qt::TextWordWrap;
    const QRect text = innerRect(rect, label);
    painter.drawText(text, flags, shownCaption(canvas, label, text));
    if (label.borderStyle() == 1) {
        painter.setPen(palette.color(QPalette::Dark));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

QString LabelBinding::accessibleName(const forms::Control& control) const
{
    return withoutAccessMarks(asLabel(control).caption());
}

}
