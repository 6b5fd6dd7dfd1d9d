// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <functional>

namespace forms {

// A menu item. Top-level items have no parent; a separator draws a line and is not selectable.
// "&" in the caption marks the access key; trailing blanks are part of the caption.
class MenuItem : public Control {
public:
    MenuItem(Window& window, std::string name, MenuItem* parent = nullptr)
        : Control(window, std::move(name), ControlKind::MenuItem, Presence::Windowless)
        , m_parent(parent)
    {
    }
    MenuItem(const MenuItem&) = delete;

    MenuItem* parent() const { return m_parent; }
    const std::string& caption() const { return m_caption; }
    // The words as the menu shows them, for naming the item in a message: without the access
    // key's "&" ("&&" shows one) and without the trailing blanks.
    std::string shownCaption() const;
    void setCaption(const std::string& caption) { assign(m_caption, caption, Property::Caption); }
    bool checked() const { return m_checked; }
    void setChecked(bool checked) { assign(m_checked, checked, Property::Checked); }
    bool separator() const { return m_separator; }
    void setSeparator(bool separator) { assign(m_separator, separator, Property::Look); }
    // A key name the toolkit understands, such as "F2"; empty for none.
    const std::string& shortcut() const { return m_shortcut; }
    void setShortcut(const std::string& shortcut) { assign(m_shortcut, shortcut, Property::Look); }

    // The user chooses the item (or presses its shortcut).
    void click();

    std::function<void()> onClick;

private:
    MenuItem* m_parent;
    std::string m_caption;
    bool m_checked = false;
    bool m_separator = false;
    std::string m_shortcut;
};

}
