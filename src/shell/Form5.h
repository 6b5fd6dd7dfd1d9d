// SPDX-License-Identifier: MIT
#pragma once

#include "forms/CommandButton.h"
#include "forms/OleContainer.h"
#include "forms/Window.h"

#include <cstdint>
#include <vector>

namespace movelle {

class Movelle;

// The Drawing window: two embedded documents of other applications, shown as their icons. A
// double-click on one hands it to the desktop's application for its class.
class Form5 final : public forms::Window {
public:
    explicit Form5(forms::Application& application);

    forms::OleContainer OLE1 { *this, "OLE1" };
    forms::OleContainer OLE2 { *this, "OLE2" };
    forms::CommandButton Command1 { *this, "Command1" };
    forms::CommandButton Command2 { *this, "Command2" };

    // "OK" and "Cancel" both bring the main window to the front and leave the drawing open.
    void Command1_Click();
    void Command2_Click();

    // The embedded picture: an empty canvas, a bitmap file of `width` x `height` white pixels
    // at 24 bits per pixel.
    static std::vector<std::uint8_t> whiteBitmap(int width, int height);

private:
    Movelle& m_app;
};

}
