// SPDX-License-Identifier: MIT
#include "forms/qt/controls/CommandButtonBinding.h"

#include "forms/CommandButton.h"
#include "forms/qt/Twips.h"
#include "forms/qt/controls/ItemText.h"

#include <QIcon>
#include <QPushButton>

namespace forms::qt {

CommandButtonBinding::CommandButtonBinding()
    : ControlBinding(false)
{
}

QWidget* CommandButtonBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    auto& button = static_cast<forms::CommandButton&>(control);
    auto* push = new QPushButton(parent);
    push->setAutoDefault(false);
    QObject::connect(push, &QPushButton::clicked, push, [&button] { button.click(); });
    return push;
}

void CommandButtonBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    auto& button = static_cast<forms::CommandButton&>(control);
    auto& push = static_cast<QPushButton&>(widget);
    if (property == forms::Property::Caption && push.text() != qs(button.caption()))
        push.setText(qs(button.caption()));
    if (property == forms::Property::Picture && !button.iconName().empty()) {
        push.setIcon(QIcon(qs(button.iconName())));
        push.setIconSize(pixelRect(button).size() - QSize(8, 8));
    }
}

}
