// SPDX-License-Identifier: MIT
#include "X11Session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using e2e::X11Session;

constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kPython = "/usr/bin/python3";

// Starts a program with these environment entries added, its descriptor `childFd` (if not -1)
// being our `ours`, and stderr joined to stdout when both are mapped. Returns the pid or -1.
pid_t spawn(std::vector<std::string> arguments, const std::vector<std::string>& extra, int childFd = -1, int ours = -1)
{
    std::vector<std::pair<int, int>> fds;
    if (childFd >= 0) {
        fds.emplace_back(childFd, ours);
        if (childFd == 1)
            fds.emplace_back(2, ours);
    }
    return e2e::spawn(std::move(arguments), e2e::environmentWith(extra), fds);
}

// Runs a program to its end with these environment entries added.
int run(const std::vector<std::string>& arguments, const std::vector<std::string>& extra, std::string* output,
    std::chrono::milliseconds timeout)
{
    return e2e::run(arguments, e2e::environmentWith(extra), output, timeout);
}

// Every process this test starts ends with it: the buses' daemons fork helpers of their own,
// which become our children here when their parents end, and are stopped at the end.
class ChildSweep {
public:
    ChildSweep() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~ChildSweep()
    {
        for (int round = 0; round < 2; ++round) {
            const std::vector<pid_t> children = ours();
            for (pid_t pid : children)
                kill(pid, round == 0 ? SIGTERM : SIGKILL);
            for (pid_t pid : children)
                e2e::finish(pid, 5s);
        }
    }

private:
    static std::vector<pid_t> ours()
    {
        std::vector<pid_t> result;
        DIR* proc = opendir("/proc");
        if (!proc)
            return result;
        while (dirent* entry = readdir(proc)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0)
                continue;
            std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
            std::string line;
            std::getline(stat, line);
            // pid (name) state ppid ...: the name may hold blanks, so read after its ")".
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            char state = 0;
            int ppid = 0;
            if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid())
                result.push_back(pid);
        }
        closedir(proc);
        return result;
    }
};

TEST(AccessibilityClient, WalksTheMainWindowAndPressesAFrameButton)
{
    for (const char* tool : {"Xvfb", "xdotool", "dbus-daemon", "dbus-send"})
        ASSERT_FALSE(X11Session::findProgram(tool).empty()) << tool << " is missing (see the README's package list)";
    ASSERT_EQ(access(kBusLauncher, X_OK), 0) << "the accessibility bus (Debian package at-spi2-core) is missing";
    ASSERT_EQ(access(kPython, X_OK), 0) << "the client needs Debian's python3 with python3-pyatspi";

    ChildSweep sweep;
    X11Session x;
    ASSERT_TRUE(x.start()) << x.error();

    std::random_device random;
    const std::filesystem::path home
        = std::filesystem::temp_directory_path() / ("movelle-a11y-" + std::to_string(random()));
    std::filesystem::create_directories(home);
    struct RemoveHome {
        std::filesystem::path path;
        ~RemoveHome()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } removeHome {home};

    // A session bus of our own, then the accessibility bus beside it, as a desktop session has.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t sessionBus = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3",
                                       "--address=unix:tmpdir=" + home.string()},
        {"HOME=" + home.string()}, 3, fds[1]);
    close(fds[1]);
    ASSERT_GT(sessionBus, 0);
    std::string address;
    pollfd pfd {fds[0], POLLIN, 0};
    const auto deadline = Clock::now() + 20s;
    while (Clock::now() < deadline && address.find('\n') == std::string::npos) {
        if (poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        address.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    ASSERT_NE(address.find('\n'), std::string::npos) << "the session bus did not report its address";
    address.erase(address.find('\n'));
    const std::vector<std::string> session {"DISPLAY=" + x.display(), "DBUS_SESSION_BUS_ADDRESS=" + address,
        "HOME=" + home.string(), "XDG_RUNTIME_DIR=" + home.string()};

    ASSERT_GT(spawn({kBusLauncher, "--launch-immediately"}, session), 0);
    const std::vector<std::string> busCall {
        "dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus"};
    auto call = [&](std::vector<std::string> arguments) {
        std::vector<std::string> command = busCall;
        command.insert(command.end(), arguments.begin(), arguments.end());
        return run(command, session, nullptr, 10s);
    };
    ASSERT_TRUE(X11Session::waitUntil([&] { return call({"org.a11y.Bus.GetAddress"}) == 0; }, 20s, 100ms))
        << "the accessibility bus did not come up";
    // What a screen reader says when it starts; the program looks for it when it starts.
    ASSERT_EQ(call({"org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:ScreenReaderEnabled",
                  "variant:boolean:true"}),
        0);

    std::vector<std::string> program = session;
    program.push_back("LSAN_OPTIONS=detect_leaks=0");
    ASSERT_TRUE(x.launch(MOVELLE_PROGRAM, program)) << x.error();

    std::string output;
    const int code = run({kPython, MOVELLE_A11Y_CLIENT}, session, &output, 240s);
    EXPECT_EQ(code, 0) << output;
    if (code == 0)
        std::cout << output;
}

}
