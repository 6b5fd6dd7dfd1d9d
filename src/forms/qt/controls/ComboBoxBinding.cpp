// SPDX-License-Identifier: MIT
#include "forms/qt/controls/ComboBoxBinding.h"

#include "forms/ComboBox.h"
#include "forms/qt/controls/ItemText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace forms::qt {

ComboBoxBinding::ComboBoxBinding()
    : ControlBinding(false)
{
}

QWidget* ComboBoxBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    auto& combo = static_cast<forms::ComboBox&>(control);
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would change the text beyond what the user typed; the text is taken
    // exactly as typed, and only picking from the list puts an item in.
    box->setCompleter(nullptr);
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box,
        [&combo](const QString& text) { combo.edit(text.toStdString()); });
    QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [&combo](int i) { combo.choose(i); });
    return box;
}

void ComboBoxBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    auto& combo = static_cast<forms::ComboBox&>(control);
    auto* box = static_cast<QComboBox*>(&widget);
    const QSignalBlocker blocker(box);
    if (property == forms::Property::Items) {
        box->clear();
        for (const std::string& item : combo.items())
            box->addItem(qs(item));
    }
    if (box->currentText() != qs(combo.text()))
        box->setEditText(qs(combo.text()));
}

}
