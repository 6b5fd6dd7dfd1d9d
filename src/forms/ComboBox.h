// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <functional>
#include <vector>

namespace forms {

// An editable text with a drop-down list. Editing the text raises Change; choosing an item from
// the list puts it into the text without raising Change.
class ComboBox : public Control {
public:
    ComboBox(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::ComboBox, Presence::Windowed)
    {
    }
    ComboBox(const ComboBox&) = delete;

    const std::string& text() const { return m_text; }
    void setText(const std::string& text) { assign(m_text, text, Property::Text); }
    const std::vector<std::string>& items() const { return m_items; }
    void addItem(const std::string& item);

    // The user edits the text.
    void edit(const std::string& text);
    // The user picks item i from the list.
    void choose(int i);

    std::function<void()> onChange;

private:
    std::string m_text;
    std::vector<std::string> m_items;
};

}
