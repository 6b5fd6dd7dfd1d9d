// SPDX-License-Identifier: MIT
#include "forms/qt/controls/TextBoxBinding.h"

#include "forms/TextBox.h"
#include "forms/qt/controls/ItemText.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace forms::qt {

TextBoxBinding::TextBoxBinding()
    : ControlBinding(false)
{
}

QWidget* TextBoxBinding::makeWidget(forms::Control& control, QWidget* parent) const
{
    auto& box = static_cast<forms::TextBox&>(control);
    auto* edit = new QLineEdit(parent);
    // Every change the model did not make itself reaches it: typing, and also a screen reader
    // or UI-testing tool writing the text through the accessibility interface.
    QObject::connect(
        edit, &QLineEdit::textChanged, edit, [&box](const QString& text) { box.setText(text.toStdString()); });
    return edit;
}

void TextBoxBinding::syncProperty(forms::Control& control, QWidget& widget, forms::Property property) const
{
    using forms::Property;
    auto& box = static_cast<forms::TextBox&>(control);
    auto* edit = static_cast<QLineEdit*>(&widget);
    if (property == Property::Text && edit->text() != qs(box.text())) {
        // The model's own text must not come back to it: bytes that are not UTF-8 would
        // return changed.
        const QSignalBlocker blocker(edit);
        edit->setText(qs(box.text()));
    }
    if (property == Property::Look) {
        const bool hidden = box.passwordChar() != 0;
        edit->setEchoMode(hidden ? QLineEdit::Password : QLineEdit::Normal);
        // An input method's candidate window would show a password in clear.
        edit->setAttribute(Qt::WA_InputMethodEnabled, !hidden);
        edit->setInputMethodHints(
            hidden ? Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText : Qt::ImhNone);
        // The style's own mask character is a bullet; the box shows the one it was given.
        if (hidden || !edit->styleSheet().isEmpty())
            edit->setStyleSheet(hidden ? QStringLiteral("lineedit-password-character: %1")
                                             .arg(static_cast<unsigned char>(box.passwordChar()))
                                       : QString());
    }
    if (property == Property::Selection) {
        // Select from the end back to the start, so the caret stands at the start.
        edit->setSelection(box.selStart() + box.selLength(), -box.selLength());
    }
}

}
