// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// The directory list: the path's ancestors from the root down, then its subdirectories.
class DirListBinding final : public ControlBinding {
public:
    DirListBinding();

    QString accessibleName(const forms::Control& control) const override;

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
