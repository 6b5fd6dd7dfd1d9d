// SPDX-License-Identifier: MIT
#include "forms/qt/Canvas.h"

#include "forms/ControlArray.h"
#include "forms/Label.h"
#include "forms/Window.h"
#include "forms/qt/controls/ControlBinding.h"
#include "forms/qt/controls/LabelBinding.h"

#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace forms::qt {

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
    update(ControlBinding::of(control).dirtyRect(*this, control));
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
    auto visit = [&](const forms::Control* control, const ControlBinding& binding) {
        if (!control || !control->visible() || !binding.isDrawn() || !open.intersects(binding.reach(*this, *control)))
            return;
        parts.push_back(Part { control, &binding, open });
        const QRect solid = binding.opaqueRect(*this, *control);
        if (!solid.isEmpty())
            open -= solid;
    };
    walkTopDown([&](const forms::Control* control, const ControlBinding& binding) {
        visit(control, binding);
        return !open.isEmpty();
    });

    const forms::Control* previous = nullptr;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        // A control that changes no pixel drawn right after the one before (an empty bordered frame
        // again at the same place) is skipped. Nothing drawn between the two can have changed
        // what the second one was left.
        if (previous && part->binding->repaintsNothingAfter(*previous, *part->control))
            continue;
        painter.setClipRegion(part->visible);
        part->binding->paint(*this, painter, *part->control);
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
        const ControlBinding& binding = ControlBinding::of(**control);
        if (binding.isDrawn() && !visit(*control, binding))
            return;
    }
    const std::vector<forms::ControlArrayBase*>& arrays = m_window->arrays();
    for (auto array = arrays.rbegin(); array != arrays.rend(); ++array) {
        const forms::Control* zero = (*array)->at(0);
        if (!zero)
            continue;
        // Every element is of element 0's kind.
        const ControlBinding& binding = ControlBinding::of(*zero);
        if (!binding.isDrawn())
            continue;
        for (int i = (*array)->size() - 1; i >= 1; --i) {
            const forms::Control* element = (*array)->at(i);
            if (element && !element->inFront() && !visit(element, binding))
                return;
        }
    }
    const std::vector<forms::Control*>& controls = m_window->controls();
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        const ControlBinding& binding = ControlBinding::of(**control);
        if (binding.isDrawn() && !(*control)->inFront() && !visit(*control, binding))
            return;
    }
}

bool Canvas::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !m_window)
        return QWidget::event(event);
    // A label drawn shortened shows its whole caption when the pointer rests on it.
    const auto* help = static_cast<QHelpEvent*>(event);
    const forms::Label* shortened = nullptr;
    walkTopDown([&](const forms::Control* control, const ControlBinding& binding) {
        if (!control->visible() || !binding.reach(*this, *control).contains(help->pos()))
            return true;
        if (control->kind() == forms::ControlKind::Label) {
            const auto& label = static_cast<const forms::Label&>(*control);
            if (LabelBinding::isShortened(*this, label))
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

}
