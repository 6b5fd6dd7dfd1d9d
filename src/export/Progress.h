// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace exporter {

// Progress of an export on standard error: on a terminal, one line redrawn in place with a bar,
// the frames done, the time spent and the time left; elsewhere (a log, a pipe), a plain line at
// most once a second, and the last of each stage, so that a log stays short.
class Progress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `out` is where the lines go (nothing is written when it is null); `terminal` chooses the redrawn bar. `clock` defaults to the
    // steady clock; tests give their own.
    Progress(std::FILE* out, bool terminal, Clock clock = {});

    // Told of every step as well, whatever reaches `out`: the window's progress bar.
    void setListener(std::function<void(int done, int total)> listener) { m_listener = std::move(listener); }

    // A new stage ("Checking pictures", "Exporting") of `total` steps.
    void start(const std::string& stage, int total);
    void update(int done);
    // Ends the stage's line.
    void finish();

    // The line for `done` of `total` after `elapsed` seconds, as the terminal shows it.
    static std::string barLine(const std::string& stage, int done, int total, double elapsed);

private:
    std::FILE* m_out;
    bool m_terminal;
    Clock m_clock;
    std::function<void(int, int)> m_listener;
    std::string m_stage;
    int m_total = 0;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_started;
    // When a line was last written; none yet: unset.
    std::optional<std::chrono::steady_clock::time_point> m_lastDrawn;
};

}
