// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace exporter {

// Ctrl-C, a closed terminal or a polite kill (SIGINT, SIGHUP, SIGTERM) stop an export. The loops
// see stopRequested() between frames and unwind, removing the temporary output on the way. A
// decode or an encode of one frame (or an open that blocks) cannot look at the flag, so a watch
// thread gives the export half a second to unwind and otherwise removes the temporary itself,
// says so on `err` and ends the process with the interrupted status: a stop always takes effect
// within a second and leaves no file. One export at a time; the previous handlers come back
// when the object goes.
class StopSignals {
public:
    // `command` names the command in the message ("export", "import").
    StopSignals(std::FILE* err, bool terminal, std::string command = "export");
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    const std::atomic<bool>& stopRequested() const;

    // What the watch removes should it have to end the export.
    void setTemporary(const std::string& path);
    // Held while the output moves into place, which the watch never cuts in half.
    std::mutex& commitMutex() { return m_commitMutex; }
    // The output is in place: a stop that comes now lets the export end as done.
    void committed();
    // The export has unwound by itself: the watch has nothing more to do.
    void finished();

private:
    void watch();

    static constexpr int m_signals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(m_signals)] {};
    int m_err;
    bool m_terminal;
    std::string m_command;
    int m_pipe[2] {-1, -1};
    std::thread m_watch;
    std::mutex m_mutex;
    std::mutex m_commitMutex;
    std::condition_variable m_changed;
    bool m_finished = false;
    bool m_committed = false;
    std::string m_temporary;
};

}
