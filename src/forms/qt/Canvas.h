// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QWidget>

#include <vector>

namespace forms {
class Control;
class Window;
}

namespace forms::qt {

// The client area of a window. It draws the lightweight controls (labels, images, lines) from
// the model in creation order, so thousands of frame pictures cost no widgets at all; real
// widgets for buttons and boxes are its children and sit on top.
class Canvas final : public QWidget {
public:
    Canvas(forms::Window& window, QWidget* parent);

    void detach() { m_window = nullptr; }
    // Schedules a repaint of what the control covers (and of what it covered before).
    void invalidate(const forms::Control& control);
    void invalidateAll();

    // Where a label's text is drawn: an auto-size label is as large as its caption.
    QRect labelRect(const forms::Control& label) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintControl(QPainter& painter, const forms::Control& control, const QRect& exposed) const;
    // Whether the control is an opaque picture hiding all of `area`.
    static bool covers(const forms::Control& control, const QRect& area);
    static bool sameEmptyFrame(const forms::Control& a, const forms::Control& b);
    bool hiddenByNextLabel(const forms::Control& below, const forms::Control& above) const;

    forms::Window* m_window;
    QImage m_background;
    // The window's colour: the ground of the canvas and of opaque labels.
    QColor m_ground;
    std::vector<const forms::Control*> m_paintList;
    bool m_allInvalid = false;
};

}
