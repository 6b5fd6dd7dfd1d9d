// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// The drive list: a box of the mounted volumes, looked for again each time it opens.
class DriveListBinding final : public ControlBinding {
public:
    DriveListBinding();

    QString accessibleName(const forms::Control& control) const override;

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
