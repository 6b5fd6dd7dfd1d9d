// SPDX-License-Identifier: MIT
#include "X11Session.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

}

std::vector<std::string> environmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra)
            replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced)
            result.push_back(entry);
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

pid_t spawn(std::vector<std::string> arguments, std::vector<std::string> environment,
            const std::vector<std::pair<int, int>>& fds)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [child, ours] : fds)
        posix_spawn_file_actions_adddup2(&actions, ours, child);
    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a child; its exit status, or -1 after the timeout.
int waitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 || Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (waitFor(pid, std::chrono::seconds(5)) < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

}

X11Session::X11Session() = default;

X11Session::~X11Session()
{
    stop(m_program);
    m_qt.reset();
    stop(m_server);
}

std::string X11Session::findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

bool X11Session::start()
{
    // Xvfb picks a free display itself and writes its number to the descriptor we give it.
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        m_error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    m_server = spawn({ "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp" },
                     environmentWith({}), { { 3, pipeFds[1] } });
    close(pipeFds[1]);
    if (m_server < 0) {
        close(pipeFds[0]);
        m_error = "Xvfb cannot be started";
        return false;
    }
    std::string number;
    pollfd pfd { pipeFds[0], POLLIN, 0 };
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
        if (poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[32];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    if (number.find('\n') == std::string::npos) {
        m_error = "Xvfb did not report its display within 20 s";
        return false;
    }
    number.erase(number.find('\n'));
    m_display = ":" + number;

    setenv("DISPLAY", m_display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "movelle_e2e_tests";
    static char* argv[] = { name, nullptr };
    m_qt = std::make_unique<QGuiApplication>(argc, argv);
    if (!QGuiApplication::primaryScreen()) {
        m_error = "no screen on " + m_display;
        return false;
    }
    return true;
}

bool X11Session::launch(const std::string& program, const std::vector<std::string>& environment)
{
    return launch(program, {}, environment);
}

bool X11Session::launch(const std::string& program, const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment)
{
    std::vector<std::string> extra = environment;
    extra.push_back("DISPLAY=" + m_display);
    extra.push_back("QT_QPA_PLATFORM=xcb");
    std::vector<std::string> command { program };
    command.insert(command.end(), arguments.begin(), arguments.end());
    m_program = spawn(command, environmentWith(extra), {});
    if (m_program < 0)
        m_error = program + " cannot be started";
    return m_program > 0;
}

int X11Session::waitForExit(std::chrono::milliseconds timeout)
{
    if (m_program <= 0)
        return -1;
    const int code = waitFor(m_program, timeout);
    if (code >= 0)
        m_program = -1;
    return code;
}

std::string X11Session::xdotool(const std::vector<std::string>& arguments, bool* ok)
{
    int out[2];
    if (pipe(out) != 0) {
        if (ok)
            *ok = false;
        return {};
    }
    std::vector<std::string> command { "xdotool" };
    command.insert(command.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(command, environmentWith({ "DISPLAY=" + m_display }), { { 1, out[1] } });
    close(out[1]);
    std::string output;
    char buffer[4096];
    ssize_t n;
    while (pid > 0 && (n = read(out[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    const int code = pid > 0 ? waitFor(pid, std::chrono::seconds(30)) : -1;
    if (ok)
        *ok = code == 0;
    return output;
}

void X11Session::type(const std::string& text)
{
    xdotool({ "type", "--delay", "40", text });
}

void X11Session::key(const std::string& keys)
{
    xdotool({ "key", "--delay", "40", keys });
}

void X11Session::click(const std::string& window, int x, int y, int count)
{
    xdotool({ "mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y), "click", "--repeat",
              std::to_string(count), "--delay", "60", "1" });
}

bool X11Session::windowVisible(const std::string& titleRegex)
{
    bool ok = false;
    const std::string found = xdotool({ "search", "--onlyvisible", "--name", titleRegex }, &ok);
    return ok && !found.empty();
}

std::string X11Session::waitForWindow(const std::string& titleRegex, std::chrono::milliseconds timeout)
{
    std::string window;
    waitUntil(
        [&] {
            bool ok = false;
            const std::string found = xdotool({ "search", "--onlyvisible", "--name", titleRegex }, &ok);
            if (!ok || found.empty())
                return false;
            window = found.substr(0, found.find('\n'));
            return true;
        },
        timeout);
    return window;
}

QPoint X11Session::windowPosition(const std::string& window)
{
    return windowGeometry(window).topLeft();
}

QRect X11Session::windowGeometry(const std::string& window)
{
    const std::string shell = xdotool({ "getwindowgeometry", "--shell", window });
    QRect at;
    std::stringstream lines(shell);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals + 1 >= line.size())
            continue;
        const std::string name = line.substr(0, equals);
        const int value = std::stoi(line.substr(equals + 1));
        if (name == "X")
            at.moveLeft(value);
        else if (name == "Y")
            at.moveTop(value);
        else if (name == "WIDTH")
            at.setWidth(value);
        else if (name == "HEIGHT")
            at.setHeight(value);
    }
    return at;
}

QImage X11Session::grab(const QRect& area)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

QColor X11Session::pixel(const QPoint& at)
{
    const QImage image = grab(QRect(at, QSize(1, 1)));
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

void X11Session::saveScreen(const std::string& path)
{
    if (m_qt)
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromStdString(path));
}

bool X11Session::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                           std::chrono::milliseconds interval)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
}

}
