// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Application.h"

namespace movelle {

class About;
class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;
class frmLogin;

// The program: its eight windows, each known by name and created the first time anything
// refers to it (to show or hide it, or to read or write one of its controls).
class Movelle final : public forms::Application {
public:
    using forms::Application::Application;

    // Program start: the login window, and nothing else.
    void start();

    movelle::frmLogin& frmLogin();
    movelle::Form1& Form1();
    movelle::Form2& Form2();
    movelle::Form3& Form3();
    movelle::Form4& Form4();
    movelle::Form5& Form5();
    movelle::Form6& Form6();
    movelle::About& About();

    // What the menus and toolbar buttons open: create if needed, then show modeless.
    void showLoadFrame();
    void showSaveScreen();
    void showOpenScreen();
    void showAbout();
    void showProgramInformation();
    void showDrawing();
};

}
