// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include <sys/types.h>

class QGuiApplication;

namespace e2e {

// The environment of this process with `extra` entries added or replacing theirs.
std::vector<std::string> environmentWith(const std::vector<std::string>& extra);

// Spawns `arguments` with these environment entries; `fds` maps our descriptors onto the
// child's (child fd, our fd). Returns the pid or -1.
pid_t spawn(std::vector<std::string> arguments, std::vector<std::string> environment,
            const std::vector<std::pair<int, int>>& fds);

// Waits for a child; its exit code, or -1 when it died of a signal or did not end in time (it is
// then killed).
int finish(pid_t pid, std::chrono::milliseconds timeout);

// Runs a program to its end with this environment: its exit code as finish gives it, and in
// output (if given) what it wrote to standard output and standard error.
int run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, std::string* output,
        std::chrono::milliseconds timeout);

// A private X server (Xvfb) for one test, with the means to start a program on it, type and
// click through xdotool, and look at the screen through Qt's screen grab.
class X11Session {
public:
    X11Session();
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // The full path of a program found on PATH, or empty.
    static std::string findProgram(const std::string& name);

    // Starts Xvfb on a free display and connects to it. False, with error(), when it fails. With
    // `widgets` this process's Qt is a QApplication on that display, so that a test can show the
    // program's windows in-process and drive them with xdotool.
    bool start(bool widgets = false);
    const std::string& error() const { return m_error; }
    const std::string& display() const { return m_display; }

    // Starts openbox on the display and waits until it manages windows. False, with error(), when
    // it cannot be started.
    bool startWindowManager();
    bool hasWindowManager() const { return m_windowManager > 0; }

    // Starts a program on the display with extra environment entries ("NAME=value") and arguments.
    bool launch(const std::string& program, const std::vector<std::string>& environment,
                const std::vector<std::string>& arguments = {});
    // Waits for the launched program to end; its exit code, or -1 when it did not end in time
    // or was killed by a signal.
    int waitForExit(std::chrono::milliseconds timeout);

    // Runs xdotool with these arguments and returns what it printed; ok is false when it failed.
    std::string xdotool(const std::vector<std::string>& arguments, bool* ok = nullptr);
    void type(const std::string& text);
    void key(const std::string& keys);
    // Clicks at a point given relative to the window's top-left corner.
    void click(const std::string& window, int x, int y, int count = 1);

    // The visible window whose title matches the regular expression, waiting for it to appear.
    std::string waitForWindow(const std::string& titleRegex, std::chrono::milliseconds timeout);
    bool windowVisible(const std::string& titleRegex);
    // The window's top-left corner on the screen, and its size.
    QPoint windowPosition(const std::string& window);
    QSize windowSize(const std::string& window);
    // The window's place and size on the screen.
    QRect windowGeometry(const std::string& window) { return QRect(windowPosition(window), windowSize(window)); }
    // What the user's close box does: with a window manager a click on the close button of the
    // window's frame; without one the message a window manager sends for it (WM_DELETE_WINDOW).
    void closeWindow(const std::string& window);
    // The window the window manager keeps this one above (WM_TRANSIENT_FOR), or 0.
    unsigned long transientFor(const std::string& window);

    // A part of the screen, in screen coordinates.
    QImage grab(const QRect& area);
    QColor pixel(const QPoint& at);
    // Writes the whole screen to a file, to see what went wrong.
    void saveScreen(const std::string& path);

    // Polls `done` every `interval` until it holds or the time is up.
    static bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                          std::chrono::milliseconds interval = std::chrono::milliseconds(20));

private:
    std::string m_error;
    std::string m_display;
    pid_t m_server = -1;
    pid_t m_program = -1;
    pid_t m_windowManager = -1;
    std::unique_ptr<QGuiApplication> m_qt;
};

}
