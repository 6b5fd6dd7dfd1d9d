// SPDX-License-Identifier: MIT
#include "export/StopSignals.h"

#include "export/ExportCommand.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace exporter {

namespace {

std::atomic<bool> stopFlag {false};
// The pipe end that wakes the watch; -1 while no export runs.
std::atomic<int> wakeFd {-1};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
    "the signal handler may only touch lock-free atomics");

extern "C" void requestStop(int)
{
    stopFlag = true;
    const int fd = wakeFd;
    if (fd >= 0) {
        const char stop = 's';
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &stop, 1);
    }
}

// How long a stopped export may take to unwind by itself before it is ended.
constexpr auto unwindTime = std::chrono::milliseconds(500);

}

StopSignals::StopSignals(std::FILE* err, bool terminal, std::string command)
    : m_err(::fileno(err))
    , m_terminal(terminal)
    , m_command(std::move(command))
{
    stopFlag = false;
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeFd = m_pipe[1];
        m_watch = std::thread([this] { watch(); });
    }
    struct sigaction action { };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(m_signals); ++i)
        sigaction(m_signals[i], &action, &m_previous[i]);
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < std::size(m_signals); ++i)
        sigaction(m_signals[i], &m_previous[i], nullptr);
    if (m_watch.joinable()) {
        finished();
        const char quit = 'q';
        [[maybe_unused]] const ssize_t ignored = ::write(m_pipe[1], &quit, 1);
        m_watch.join();
        wakeFd = -1;
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
}

const std::atomic<bool>& StopSignals::stopRequested() const
{
    return stopFlag;
}

void StopSignals::setTemporary(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_temporary = path;
}

void StopSignals::committed()
{
    std::lock_guard lock(m_mutex);
    m_committed = true;
}

void StopSignals::finished()
{
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

void StopSignals::watch()
{
    for (;;) {
        pollfd wait {m_pipe[0], POLLIN, 0};
        if (::poll(&wait, 1, -1) < 0 && errno != EINTR)
            return;
        char byte = 0;
        while (::read(m_pipe[0], &byte, 1) == 1) {
            if (byte == 'q')
                return;
        }
        if (!stopFlag)
            continue;
        std::unique_lock lock(m_mutex);
        if (m_changed.wait_for(lock, unwindTime, [this] { return m_finished; }))
            return;
        lock.unlock();
        std::lock_guard committing(m_commitMutex);
        lock.lock();
        if (m_finished || m_committed)
            return;
        if (!m_temporary.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_temporary, ignored);
        }
        const std::string message
            = std::string(m_terminal ? "\n" : "") + "movelle " + m_command + ": interrupted; nothing was written\n";
        [[maybe_unused]] const ssize_t ignored = ::write(m_err, message.data(), message.size());
        ::_exit(ExportCommand::Interrupted);
    }
}

}
