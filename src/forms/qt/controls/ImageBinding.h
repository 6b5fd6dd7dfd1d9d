// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// An image control, drawn by the canvas: its picture at its own size or stretched, inside an
// optional border. A graphic to a reader.
class ImageBinding final : public ControlBinding {
public:
    ImageBinding();

    QRect reach(const Canvas& canvas, const forms::Control& control) const override;
    QRect opaqueRect(const Canvas& canvas, const forms::Control& control) const override;
    QRect dirtyRect(const Canvas& canvas, const forms::Control& control) const override;
    bool repaintsNothingAfter(const forms::Control& previous, const forms::Control& control) const override;
    void paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const override;

    QAccessible::Role drawnRole() const override { return QAccessible::Graphic; }
    QString accessibleName(const forms::Control& control) const override;
};

}
