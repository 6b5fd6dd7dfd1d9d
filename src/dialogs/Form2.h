// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Label.h"
#include "forms/Window.h"

namespace movelle {

// The Load Frame dialog: puts a picture file into the current frame.
class Form2 final : public forms::Window {
public:
    explicit Form2(forms::Application& application)
        : Window(application, "Form2")
    {
        setCaption("Load Frame");
        setClientSize(5490, 3915);
        Label2.setGeometry(4200, 240, 45, 195);
        Label2.setAutoSize(true);
    }

    // The zero-based index of the frame that will receive the picture; the main window's frame
    // buttons write it.
    forms::Label Label2 { *this, "Label2" };
};

}
