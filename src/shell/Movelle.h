// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Application.h"

#include <functional>
#include <string>
#include <vector>

namespace forms {
class Progress;
}

namespace movelle {

class About;
class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;
class ExportScreen;
class Importer;
class frmLogin;

// The program: its eight windows, each known by name and created the first time anything
// refers to it (to show or hide it, or to read or write one of its controls).
class Movelle final : public forms::Application {
public:
    using forms::Application::Application;

    // Program start: the login window, and nothing else.
    void start();
    // Program start with an animation file named on the command line: the login window, and once
    // the password is accepted the file is opened as the Open dialog's "OK" opens it. The path
    // must be absolute, since the Open dialog moves the current directory when it is created.
    void start(const std::string& animation);
    // Called once the login has shown the main window: opens the file given to start(), if any.
    void openStartAnimation();

    movelle::frmLogin& frmLogin();
    movelle::Form1& Form1();
    movelle::Form2& Form2();
    movelle::Form3& Form3();
    movelle::Form4& Form4();
    movelle::Form5& Form5();
    movelle::Form6& Form6();
    movelle::About& About();
    movelle::ExportScreen& ExportScreen();

    // What the menus and toolbar buttons open: create if needed, then show modeless.
    void showLoadFrame();
    void showSaveScreen();
    void showOpenScreen();
    void showAbout();
    void showProgramInformation();
    void showDrawing();
    void showExportScreen();

    // The export engine, which lives outside the windows' code: given the arguments of
    // `movelle export`, it writes the output and returns the failure's message, or empty. Without
    // one, nothing can be exported.
    using Exporter = std::function<std::string(const std::vector<std::string>&, forms::Progress&)>;
    void setExporter(Exporter exporter) { m_exporter = std::move(exporter); }
    std::string exportAnimation(const std::vector<std::string>& arguments, forms::Progress& progress) const;

    // The import engine for dropped animations, or null: then a dropped GIF loads as a picture and
    // a video is refused.
    void setImporter(Importer* importer) { m_importer = importer; }
    Importer* importer() const { return m_importer; }

private:
    std::string m_startAnimation;
    Exporter m_exporter;
    Importer* m_importer = nullptr;
};

}
