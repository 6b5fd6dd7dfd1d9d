// SPDX-License-Identifier: MIT
#include "forms/qt/Canvas.h"

#include "forms/ControlArray.h"
#include "forms/Window.h"
#include "forms/qt/controls/ControlBinding.h"

#include <QPaintEvent>
#include <QPainter>

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
    // Drawing order: design-time controls in creation order, then the loaded elements of each
    // array, which were created after them and so lie on top. The walk goes the other way.
    const std::vector<forms::ControlArrayBase*>& arrays = m_window->arrays();
    for (auto array = arrays.rbegin(); array != arrays.rend() && !open.isEmpty(); ++array) {
        const forms::Control* zero = (*array)->at(0);
        if (!zero)
            continue;
        // Every element is of element 0's kind.
        const ControlBinding& binding = ControlBinding::of(*zero);
        if (!binding.isDrawn())
            continue;
        for (int i = (*array)->size() - 1; i >= 1 && !open.isEmpty(); --i)
            visit((*array)->at(i), binding);
    }
    const std::vector<forms::Control*>& controls = m_window->controls();
    for (auto control = controls.rbegin(); control != controls.rend() && !open.isEmpty(); ++control)
        visit(*control, ControlBinding::of(**control));

    const forms::Control* previous = nullptr;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        // A control that changes no pixel drawn right after the one before (an empty bordered frame
        // again at the same place) is skipped. Nothing drawn between the two can have changed
        // what the second one was left.
        if (previous && part->binding->repaintsNothingAfter(*previous, *part->control))
            continue;
        painter.setClipRegion(part->visible);
        part->binding->paint(*this, painter, *part->control);
        previous = part->control;
    }
}

}
