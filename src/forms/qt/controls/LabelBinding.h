// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

class QWidget;

namespace forms {
class Label;
}

namespace forms::qt {

// A label, drawn by the canvas: its caption in its own font, with or without a ground of its
// own and a border. Static text to a reader, named by its caption.
class LabelBinding final : public ControlBinding {
public:
    LabelBinding();

    // Where the text is drawn: an auto-size label is as large as its caption in the canvas's
    // font.
    static QRect textRect(const QWidget& canvas, const forms::Label& label);
    // Whether the caption is drawn shortened in the middle, a label that elides being too
    // narrow for it.
    static bool isShortened(const QWidget& canvas, const forms::Label& label);

    QRect bounds(const Canvas& canvas, const forms::Control& control) const override;
    QRect reach(const Canvas& canvas, const forms::Control& control) const override;
    QRect opaqueRect(const Canvas& canvas, const forms::Control& control) const override;
    QRect dirtyRect(const Canvas& canvas, const forms::Control& control) const override;
    void paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const override;

    QAccessible::Role drawnRole() const override { return QAccessible::StaticText; }
    QString accessibleName(const forms::Control& control) const override;
};

}
