// SPDX-License-Identifier: MIT
#include "forms/qt/controls/ControlBinding.h"

#include "forms/qt/Twips.h"
#include "forms/qt/controls/ComboBoxBinding.h"
#include "forms/qt/controls/CommandButtonBinding.h"
#include "forms/qt/controls/DirListBinding.h"
#include "forms/qt/controls/DriveListBinding.h"
#include "forms/qt/controls/FileListBinding.h"
#include "forms/qt/controls/ImageBinding.h"
#include "forms/qt/controls/LabelBinding.h"
#include "forms/qt/controls/LineBinding.h"
#include "forms/qt/controls/NonVisualBinding.h"
#include "forms/qt/controls/OleContainerBinding.h"
#include "forms/qt/controls/TextBoxBinding.h"

#include <QWidget>

#include <string>

namespace forms::qt {

namespace {

const CommandButtonBinding commandButton;
const LabelBinding label;
const TextBoxBinding textBox;
const ImageBinding image;
const LineBinding line;
const NonVisualBinding nonVisual;
const ComboBoxBinding comboBox;
const DriveListBinding driveList;
const DirListBinding dirList;
const FileListBinding fileList;
const OleContainerBinding oleContainer;

}

// The one table of kinds. No default: a kind added without a binding is a compiler warning.
const ControlBinding& ControlBinding::of(forms::ControlKind kind)
{
    using forms::ControlKind;
    switch (kind) {
    case ControlKind::CommandButton:
        return commandButton;
    case ControlKind::Label:
        return label;
    case ControlKind::TextBox:
        return textBox;
    case ControlKind::Image:
        return image;
    case ControlKind::Line:
        return line;
    case ControlKind::Timer:
    case ControlKind::MenuItem:
        return nonVisual;
    case ControlKind::ComboBox:
        return comboBox;
    case ControlKind::DriveList:
        return driveList;
    case ControlKind::DirList:
        return dirList;
    case ControlKind::FileList:
        return fileList;
    case ControlKind::OleContainer:
        return oleContainer;
    }
    return nonVisual;
}

QWidget* ControlBinding::createWidget(forms::Control& control, QWidget* parent) const
{
    QWidget* widget = makeWidget(control, parent);
    if (!widget)
        return nullptr;
    widget->setObjectName(QString::fromStdString(
        control.name() + (control.index() >= 0 ? "(" + std::to_string(control.index()) + ")" : "")));
    using forms::Property;
    for (Property p : {Property::Geometry, Property::Enabled, Property::Caption, Property::Picture, Property::Text,
             Property::Look, Property::Items, Property::Path})
        syncWidget(control, *widget, p);
    widget->setVisible(control.visible());
    return widget;
}

void ControlBinding::syncWidget(forms::Control& control, QWidget& widget, forms::Property property) const
{
    using forms::Property;
    switch (property) {
    case Property::Enabled:
        widget.setEnabled(control.enabled());
        return;
    case Property::Visible:
        widget.setVisible(control.visible());
        return;
    case Property::Geometry:
        widget.setGeometry(pixelRect(control));
        return;
    case Property::ZOrder:
        widget.raise();
        return;
    case Property::Caption:
    case Property::Text:
    case Property::Picture:
    case Property::Stretch:
    case Property::BorderStyle:
    case Property::Selection:
    case Property::Items:
    case Property::Path:
    case Property::Pattern:
    case Property::FileName:
    case Property::Drive:
    case Property::Checked:
    case Property::Interval:
    case Property::Look:
        break;
    }
    syncProperty(control, widget, property);
}

QWidget* ControlBinding::makeWidget(forms::Control&, QWidget*) const
{
    return nullptr;
}

void ControlBinding::syncProperty(forms::Control&, QWidget&, forms::Property) const
{
}

QRect ControlBinding::bounds(const Canvas&, const forms::Control& control) const
{
    return pixelRect(control);
}

QRect ControlBinding::reach(const Canvas& canvas, const forms::Control& control) const
{
    return bounds(canvas, control);
}

QRect ControlBinding::opaqueRect(const Canvas&, const forms::Control&) const
{
    return {};
}

QRect ControlBinding::dirtyRect(const Canvas& canvas, const forms::Control& control) const
{
    // Text and wide pens may stray a pixel past their rectangle.
    return bounds(canvas, control).adjusted(-1, -1, 1, 1);
}

bool ControlBinding::repaintsNothingAfter(const forms::Control&, const forms::Control&) const
{
    return false;
}

void ControlBinding::paint(const Canvas&, QPainter&, const forms::Control&) const
{
}

QString ControlBinding::accessibleName(const forms::Control&) const
{
    return {};
}

}
