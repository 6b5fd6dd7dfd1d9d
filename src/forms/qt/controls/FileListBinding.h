// SPDX-License-Identifier: MIT
#pragma once

#include "forms/qt/controls/ControlBinding.h"

namespace forms::qt {

// The file list: the files of a directory that match its pattern, one of them selected.
class FileListBinding final : public ControlBinding {
public:
    FileListBinding();

    QString accessibleName(const forms::Control& control) const override;

protected:
    QWidget* makeWidget(forms::Control& control, QWidget* parent) const override;
    void syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const override;
};

}
