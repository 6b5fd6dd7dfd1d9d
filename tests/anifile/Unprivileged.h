// SPDX-License-Identifier: MIT
#pragma once

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace anifile::test {

// The user and group "nobody" stand for a plain user when the tests run as root.
inline constexpr uid_t unprivilegedUser = 65534;
inline constexpr gid_t unprivilegedGroup = 65534;

// Gives a file or directory to the plain user that runAsPlainUser runs as; nothing to do when the
// tests already run as one.
inline void giveToPlainUser(const std::string& path)
{
    if (::geteuid() == 0)
        ::lchown(path.c_str(), unprivilegedUser, unprivilegedGroup);
}

// Runs work in a child process and returns the text work returned, or "<child died>".
inline std::string runInChild(const std::function<std::string()>& work)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "<no pipe>";
    const pid_t child = ::fork();
    if (child < 0)
        return "<no fork>";
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::string answer = work();
        const char* data = answer.data();
        std::size_t left = answer.size();
        while (left > 0) {
            const ssize_t written = ::write(pipeEnds[1], data, left);
            if (written <= 0)
                break;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string answer;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        answer.append(buffer, static_cast<std::size_t>(count));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return "<child died>";
    return answer;
}

// Runs work in a child process as a plain user, so that permissions apply even when the tests run
// as root (as they do in CI), and returns the text work returned. Root drops to "nobody" in the
// child; anyone else runs as themselves. A child that could not drop its rights says so.
inline std::string runAsPlainUser(const std::function<std::string()>& work)
{
    return runInChild([&]() -> std::string {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedGroup) != 0 || ::setuid(unprivilegedUser) != 0))
            return "<cannot drop root>";
        return work();
    });
}

// What runOnSmallDisk answers when it could not mount the small file system.
inline constexpr std::string_view cannotMount = "<cannot mount>";

// Runs work in a child process with a fresh file system of `bytes` bytes mounted on directory in
// a mount namespace of its own, seen by that child alone: a nearly full disk shows how a save
// fails. Only root can mount one; anyone else gets an answer that starts with cannotMount.
inline std::string runOnSmallDisk(const std::string& directory, std::size_t bytes,
                                  const std::function<std::string()>& work)
{
    return runInChild([&]() -> std::string {
        const std::string options = "size=" + std::to_string(bytes);
        // Private mounts keep the new one from showing in the namespace the test started in.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", directory.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return std::string(cannotMount) + " as user " + std::to_string(::geteuid()) + ": " + std::strerror(errno);
        return work();
    });
}

}
