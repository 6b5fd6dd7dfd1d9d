// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace forms {

// What changed on a control, as told to the window's observer.
enum class Property : std::uint8_t {
    Caption,
    Text,
    Enabled,
    Visible,
    Geometry,   // Left, Top, Width or Height
    Picture,
    Stretch,
    BorderStyle,
    Selection,
    Items,
    Path,
    Pattern,
    FileName,
    Drive,
    Checked,
    Interval,
    Look,       // fonts, colours, alignment: design-time looks
    ZOrder,     // brought to the front of the window's drawing order
};

enum class ControlKind : std::uint8_t {
    CommandButton,
    Label,
    TextBox,
    Image,
    Line,
    Timer,
    MenuItem,
    ComboBox,
    DriveList,
    DirList,
    FileList,
    OleContainer,
};

}
