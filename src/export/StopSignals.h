// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <csignal>
#include <cstddef>

namespace exporter {

// Ctrl-C, a closed terminal or a polite kill stop an export or an import between two frames, so
// that its temporary output is removed on the way out. The previous handlers come back afterwards.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set by the signals; cleared when a StopSignals is made.
    static std::atomic<bool>& requested();

private:
    static constexpr int m_signals[] = { SIGINT, SIGTERM, SIGHUP };
    struct sigaction m_previous[std::size(m_signals)] {};
};

}
