// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// A command button: a push button with its caption, or its picture for the toolbar's buttons.
class CommandButtonBinding final : public ControlBinding {
public:
    CommandButtonBinding();

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
