// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

namespace forms {

class TextBox : public Control {
public:
    TextBox(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::TextBox, Presence::Windowed)
    {
    }
    TextBox(const TextBox&) = default;

    const std::string& text() const { return m_text; }
    void setText(const std::string& text);

    // A password box shows this character for every character typed; 0 shows the text.
    char passwordChar() const { return m_passwordChar; }
    void setPasswordChar(char c) { assign(m_passwordChar, c, Property::Look); }

    // Selection in characters (UTF-8 text is counted in characters, not bytes).
    int selStart() const { return m_selStart; }
    int selLength() const { return m_selLength; }
    void setSelection(int start, int length);
    // The caret goes to the start and the selection runs to the end.
    void selectAll();
    // Moves the keyboard focus here.
    void setFocus();

private:
    std::string m_text;
    char m_passwordChar = 0;
    int m_selStart = 0;
    int m_selLength = 0;
};

}
