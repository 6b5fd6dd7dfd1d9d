// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace forms {

// What assistive technology (a screen reader, a UI-testing tool) is told about a control where
// the control's own words say too little: a frame button reads "3" on screen but is announced
// as "Frame 3", a picture button has no words at all. An empty field keeps the binding's
// default (a caption, a box's text).
struct AccessibleText {
    std::string name;
    std::string description;
};

}
