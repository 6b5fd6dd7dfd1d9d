// SPDX-License-Identifier: MIT
#include "X11Session.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include <xcb/xcb.h>

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

// Waits for a child: its exit status (-1 when a signal ended it or it cannot be waited for), or
// nothing while it still runs at the timeout. A child that has ended is reaped, so its pid is
// never signalled again (it may be another process's by then).
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0)
            return -1;
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    finish(pid, std::chrono::seconds(5));
    pid = -1;
}

}

int finish(pid_t pid, std::chrono::milliseconds timeout)
{
    if (const std::optional<int> code = waitFor(pid, timeout))
        return *code;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

int run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, std::string* output,
        std::chrono::milliseconds timeout)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = spawn(arguments, environment, { { 1, fds[1] }, { 2, fds[1] } });
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    const auto deadline = Clock::now() + timeout;
    pollfd pfd { fds[0], POLLIN, 0 };
    char buffer[4096];
    while (Clock::now() < deadline) {
        if (poll(&pfd, 1, 100) <= 0)
            continue;
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        if (output)
            output->append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    return finish(pid, std::chrono::seconds(5));
}

X11Session::X11Session() = default;

X11Session::~X11Session()
{
    stop(m_program);
    stop(m_windowManager);
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

bool X11Session::start(bool widgets)
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
    if (widgets)
        m_qt = std::make_unique<QApplication>(argc, argv);
    else
        m_qt = std::make_unique<QGuiApplication>(argc, argv);
    if (!QGuiApplication::primaryScreen()) {
        m_error = "no screen on " + m_display;
        return false;
    }
    return true;
}

namespace {

// A connection of our own to the display, for the few requests xdotool does not make.
class XConnection {
public:
    explicit XConnection(const std::string& display)
        : m_connection(xcb_connect(display.c_str(), nullptr))
    {
    }
    ~XConnection() { xcb_disconnect(m_connection); }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }
    xcb_connection_t* get() const { return m_connection; }
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root; }

    xcb_atom_t atom(const char* name) const
    {
        const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // The 32-bit values of a window's property.
    std::vector<std::uint32_t> property(xcb_window_t window, const char* name, xcb_atom_t type) const
    {
        const xcb_get_property_cookie_t cookie = xcb_get_property(m_connection, 0, window, atom(name), type, 0, 16);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_connection, cookie, nullptr), &std::free);
        if (!reply || reply->format != 32)
            return {};
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        return { values, values + xcb_get_property_value_length(reply.get()) / 4 };
    }

private:
    xcb_connection_t* m_connection;
};

}

bool X11Session::startWindowManager()
{
    m_windowManager = spawn({ "openbox", "--sm-disable" }, environmentWith({ "DISPLAY=" + m_display }), {});
    if (m_windowManager < 0) {
        m_error = "openbox cannot be started";
        return false;
    }
    // A window manager announces itself on the root window once it manages windows.
    XConnection x(m_display);
    if (!x.ok() || !waitUntil([&] { return !x.property(x.root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty(); },
                              std::chrono::seconds(20))) {
        m_error = "openbox did not start managing windows within 20 s";
        return false;
    }
    return true;
}

bool X11Session::launch(const std::string& program, const std::vector<std::string>& environment,
                        const std::vector<std::string>& arguments)
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
    const std::optional<int> code = waitFor(m_program, timeout);
    if (code)
        m_program = -1;
    return code.value_or(-1);
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
    const int code = pid > 0 ? finish(pid, std::chrono::seconds(30)) : -1;
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
    // No --sync: it waits for the pointer to move, forever when it is there already. The server
    // handles the move before the click all the same.
    xdotool({ "mousemove", "--window", window, std::to_string(x), std::to_string(y), "click", "--repeat",
              std::to_string(count), "--delay", "60", "1" });
}

bool X11Session::windowVisible(const std::string& titleRegex)
{
    // A window destroyed while xdotool looks at it makes the search fail (BadWindow): that says
    // nothing about the others, so it looks again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool ok = false;
        const std::string found = xdotool({ "search", "--onlyvisible", "--name", titleRegex }, &ok);
        if (!found.empty())
            return true;
        if (ok)
            return false;
    }
    return false;
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
    // Asked of the X server itself: xdotool counts a window manager's frame twice.
    XConnection x(m_display);
    const xcb_translate_coordinates_cookie_t cookie
        = xcb_translate_coordinates(x.get(), static_cast<xcb_window_t>(std::stoul(window)), x.root(), 0, 0);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(x.get(), cookie, nullptr), &std::free);
    return reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint();
}

QSize X11Session::windowSize(const std::string& window)
{
    const std::string shell = xdotool({ "getwindowgeometry", "--shell", window });
    QSize size;
    std::stringstream lines(shell);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("WIDTH=", 0) == 0)
            size.setWidth(std::stoi(line.substr(6)));
        else if (line.rfind("HEIGHT=", 0) == 0)
            size.setHeight(std::stoi(line.substr(7)));
    }
    return size;
}

void X11Session::closeWindow(const std::string& window)
{
    XConnection x(m_display);
    const auto id = static_cast<xcb_window_t>(std::stoul(window));
    if (hasWindowManager()) {
        // The close button is the last one at the right end of the title bar, which lies in the
        // frame above the window.
        const std::vector<std::uint32_t> frame = x.property(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
        if (frame.size() == 4) {
            const QPoint at = windowPosition(window);
            const QSize size = windowSize(window);
            const int right = at.x() + size.width() + int(frame[1]) - 10;
            const int top = at.y() - int(frame[2]) / 2;
            xdotool({ "mousemove", std::to_string(right), std::to_string(top), "click", "1" });
        }
        return;
    }
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = x.atom("WM_PROTOCOLS");
    message.data.data32[0] = x.atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x.get(), 0, id, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(x.get());
}

unsigned long X11Session::transientFor(const std::string& window)
{
    XConnection x(m_display);
    const std::vector<std::uint32_t> owner
        = x.property(static_cast<xcb_window_t>(std::stoul(window)), "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW);
    return owner.empty() ? 0 : owner.front();
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
