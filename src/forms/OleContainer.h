// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace forms {

// Holds one embedded object: its class name and its data. It shows the class's icon; the
// user's double-click hands the object to whatever application the desktop registers for it.
class OleContainer : public Control {
public:
    OleContainer(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::OleContainer, Presence::Windowed)
    {
    }
    OleContainer(const OleContainer&) = delete;
    // The object's working file goes with the container: changes made to it last as long as
    // the container's window exists, and no longer.
    ~OleContainer() override;

    const std::string& className() const { return m_className; }
    void setClassName(const std::string& name) { assign(m_className, name, Property::Caption); }
    const std::vector<std::uint8_t>& data() const { return m_data; }
    void setData(std::vector<std::uint8_t> data) { m_data = std::move(data); }
    const std::string& iconName() const { return m_iconName; }
    void setIconName(const std::string& name) { assign(m_iconName, name, Property::Picture); }
    const std::string& label() const { return m_label; }
    void setLabel(const std::string& label) { assign(m_label, label, Property::Caption); }

    // The user double-clicks it. Its default action, unless onActivate replaces it, hands the
    // object to its application (openInApplication).
    void activate();

    std::function<void()> onActivate;

    // Writes the object's data to a working file named for its class (a "Paint.Picture" is a
    // ".bmp" file) and asks the desktop to open it. A second activation opens the same file
    // again, with whatever the application saved into it, and takes that back as the data.
    // Throws NoApplication when no application opens the class or the file, FileError when
    // the working file cannot be written or read.
    void openInApplication();
    // The working file of the last activation, or empty.
    const std::string& workingFile() const { return m_workingFile; }

    // The extension of the file an object of this class is handed over in, or empty when no
    // application on this system is known to open the class.
    static std::string fileExtensionFor(const std::string& className);

private:
    std::string m_className;
    std::vector<std::uint8_t> m_data;
    std::string m_iconName;
    std::string m_label;
    std::string m_workingFile;
};

}
