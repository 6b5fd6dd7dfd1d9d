// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <functional>

namespace forms {

class CommandButton : public Control {
public:
    CommandButton(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::CommandButton, Presence::Windowed)
    {
    }
    CommandButton(const CommandButton&) = default;

    const std::string& caption() const { return m_caption; }
    void setCaption(const std::string& caption) { assign(m_caption, caption, Property::Caption); }

    // A picture button shows a picture from the program's resources instead of its caption.
    const std::string& iconName() const { return m_iconName; }
    void setIconName(const std::string& name) { assign(m_iconName, name, Property::Picture); }

    // The user clicks it: nothing happens unless it is visible and enabled.
    void click();

    std::function<void()> onClick;

private:
    std::string m_caption;
    std::string m_iconName;
};

}
