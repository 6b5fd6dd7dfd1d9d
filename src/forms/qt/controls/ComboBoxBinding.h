// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// A combo box: an editable box whose list puts an item in only when the user picks it.
class ComboBoxBinding final : public ControlBinding {
public:
    ComboBoxBinding();

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
