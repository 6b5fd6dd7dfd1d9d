// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// A line, drawn by the canvas between its two ends in its pen. Lines only draw the outlines of
// boxes and say nothing a reader needs, so readers are not told of them.
class LineBinding final : public ControlBinding {
public:
    LineBinding();

    QRect reach(const Canvas& canvas, const forms::Control& control) const override;
    QRect dirtyRect(const Canvas& canvas, const forms::Control& control) const override;
    void paint(const Canvas& canvas, QPainter& painter, const forms::Control& control) const override;
};

}
