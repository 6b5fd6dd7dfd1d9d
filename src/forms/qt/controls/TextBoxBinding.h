// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// A text box: a line edit, masked when the box has a password character.
class TextBoxBinding final : public ControlBinding {
public:
    TextBoxBinding();

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
