// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <vector>

namespace forms {
class Control;
class Window;
}

namespace forms::qt {

class ControlBinding;

// The client area of a window. It draws the windowless controls whose binding paints them
// (labels, images, lines) from the model in creation order, so thousands of frame pictures cost no widgets at all; real
// widgets for buttons and boxes are its children and sit on top. Of stacked controls only what
// can be seen is drawn: a control hidden by opaque pictures above it costs a rectangle test.
class Canvas final : public QWidget {
public:
    Canvas(forms::Window& window, QWidget* parent);

    void detach() { m_window = nullptr; }
    // Schedules a repaint of what the control covers (and of what it covered before).
    void invalidate(const forms::Control& control);
    void invalidateAll();

    // The window's colour: the ground of the canvas and of labels that are not transparent.
    QColor ground() const { return m_ground; }

    // How many controls the canvas has drawn so far: what a test sees of the covered ones left out.
    int controlsPainted() const { return m_controlsPainted; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // A control to draw, its kind's binding, and the part of the exposed area that no opaque
    // control above it hides.
    struct Part {
        const forms::Control* control;
        const ControlBinding* binding;
        QRegion visible;
    };

    // Calls `visit` with each drawn control and its binding from the top of the drawing order
    // down, until it returns false.
    template<typename Visit>
    void walkTopDown(Visit&& visit) const;

    forms::Window* m_window;
    QImage m_background;
    QColor m_ground;
    std::vector<Part> m_parts;
    bool m_allInvalid = false;
    int m_controlsPainted = 0;
};

}
