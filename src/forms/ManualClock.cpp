// SPDX-License-Identifier: MIT
#include "forms/ManualClock.h"

#include "forms/Timer.h"

#include <algorithm>

namespace forms {

void ManualClock::timerChanged(Timer& timer)
{
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.timer == &timer; });
    const bool runs = timer.enabled() && timer.interval() > 0;
    if (!runs) {
        if (it != m_entries.end())
            m_entries.erase(it);
        return;
    }
    const std::int64_t due = m_now + timer.interval();
    if (it != m_entries.end())
        it->due = due;
    else
        m_entries.push_back({ &timer, due });
}

void ManualClock::timerRemoved(Timer& timer)
{
    std::erase_if(m_entries, [&](const Entry& e) { return e.timer == &timer; });
}

void ManualClock::advance(std::int64_t milliseconds)
{
    const std::int64_t target = m_now + milliseconds;
    for (;;) {
        auto next = std::min_element(m_entries.begin(), m_entries.end(),
                                     [](const Entry& a, const Entry& b) { return a.due < b.due; });
        if (next == m_entries.end() || next->due > target)
            break;
        m_now = next->due;
        Timer* timer = next->timer;
        next->due += timer->interval();
        timer->tick();   // may change or remove entries
    }
    m_now = target;
}

}
