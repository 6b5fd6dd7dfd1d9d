// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace forms {

// Holds one embedded object: its class name and its data. It shows the class's icon; the
// user's double-click hands the object to whatever application the desktop registers for it.
class OleContainer : public Control {
public:
    OleContainer(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::OleContainer)
    {
    }
    OleContainer(const OleContainer&) = delete;

    const std::string& className() const { return m_className; }
    void setClassName(const std::string& name) { assign(m_className, name, Property::Caption); }
    const std::vector<std::uint8_t>& data() const { return m_data; }
    void setData(std::vector<std::uint8_t> data) { m_data = std::move(data); }
    const std::string& iconName() const { return m_iconName; }
    void setIconName(const std::string& name) { assign(m_iconName, name, Property::Picture); }
    const std::string& label() const { return m_label; }
    void setLabel(const std::string& label) { assign(m_label, label, Property::Caption); }

    // The user double-clicks it: its default action hands the object to its application.
    void activate();

    std::function<void()> onActivate;

private:
    std::string m_className;
    std::vector<std::uint8_t> m_data;
    std::string m_iconName;
    std::string m_label;
};

}
