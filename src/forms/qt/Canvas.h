// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <vector>

namespace forms {
class Control;
class Label;
class Window;
}

namespace forms::qt {

// The client area of a window. It draws the lightweight controls (labels, images, lines) from
// the model in creation order, so thousands of frame pictures cost no widgets at all; real
// widgets for buttons and boxes are its children and sit on top. Of stacked controls only what
// can be seen is drawn: a control hidden by opaque pictures above it costs a rectangle test.
class Canvas final : public QWidget {
public:
    Canvas(forms::Window& window, QWidget* parent);

    void detach() { m_window = nullptr; }
    // Schedules a repaint of what the control covers (and of what it covered before).
    void invalidate(const forms::Control& control);
    void invalidateAll();

    // Where a label's text is drawn: an auto-size label is as large as its caption.
    QRect labelRect(const forms::Control& label) const;

    // How many controls the canvas has drawn so far: what a test sees of the covered ones left out.
    int controlsPainted() const { return m_controlsPainted; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // A control to draw and the part of the exposed area that no opaque control above it hides.
    struct Part {
        const forms::Control* control;
        QRegion visible;
    };

    void paintControl(QPainter& painter, const forms::Control& control) const;
    // Calls `visit` with each control from the top of the drawing order down, until it returns
    // false.
    template<typename Visit>
    void walkTopDown(Visit&& visit) const;
    // The label's caption as drawn into `rect`: shortened in the middle when it elides.
    QString shownCaption(const forms::Label& label, const QRect& rect) const;
    // Where the label's text goes: inside its border, if it has one.
    QRect textRect(const forms::Label& label) const;
    // Where the control can draw at all; empty for one that draws nothing.
    QRect reach(const forms::Control& control) const;
    // What the control paints over completely (an opaque picture, a label with a background).
    QRect opaqueRect(const forms::Control& control) const;
    static bool sameEmptyFrame(const forms::Control& a, const forms::Control& b);

    forms::Window* m_window;
    QImage m_background;
    // The window's colour: the ground of the canvas and of opaque labels.
    QColor m_ground;
    std::vector<Part> m_parts;
    bool m_allInvalid = false;
    int m_controlsPainted = 0;
};

}
