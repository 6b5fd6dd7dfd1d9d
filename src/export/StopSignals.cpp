// SPDX-License-Identifier: MIT
#include "export/StopSignals.h"

namespace exporter {

namespace {

std::atomic<bool> stopRequested { false };
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler may only touch lock-free atomics");

extern "C" void requestStop(int)
{
    stopRequested = true;
}

}

StopSignals::StopSignals()
{
    stopRequested = false;
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(m_signals); ++i)
        sigaction(m_signals[i], &action, &m_previous[i]);
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < std::size(m_signals); ++i)
        sigaction(m_signals[i], &m_previous[i], nullptr);
}

std::atomic<bool>& StopSignals::requested()
{
    return stopRequested;
}

}
