// SPDX-License-Identifier: MIT
#include "forms/qt/accessibility/AnnouncementThrottle.h"

#include <algorithm>
#include <limits>

namespace forms::qt {

AnnouncementThrottle::AnnouncementThrottle(std::int64_t gap, std::function<std::int64_t()> now,
    std::function<void(std::int64_t)> schedule, std::function<void(Source)> announce)
    : m_gap(gap)
    , m_now(std::move(now))
    , m_schedule(std::move(schedule))
    , m_announce(std::move(announce))
{
}

void AnnouncementThrottle::changed(Source source)
{
    const std::int64_t now = m_now();
    auto [it, fresh] = m_sources.try_emplace(source);
    State& state = it->second;
    if (fresh || now - state.last >= m_gap) {
        state.last = now;
        state.held = false;
        m_announce(source);
        return;
    }
    if (!state.held) {
        state.held = true;
        scheduleNext();
    }
}

void AnnouncementThrottle::flushDue()
{
    const std::int64_t now = m_now();
    std::vector<Source> due;
    for (auto& [source, state] : m_sources) {
        if (state.held && now - state.last >= m_gap) {
            state.held = false;
            state.last = now;
            due.push_back(source);
        }
    }
    // Announcing may change more values; the sources are settled before it runs.
    for (Source source : due)
        m_announce(source);
    scheduleNext();
}

void AnnouncementThrottle::scheduleNext()
{
    std::int64_t next = std::numeric_limits<std::int64_t>::max();
    for (const auto& [source, state] : m_sources) {
        if (state.held)
            next = std::min(next, state.last + m_gap);
    }
    if (next != std::numeric_limits<std::int64_t>::max())
        m_schedule(std::max<std::int64_t>(0, next - m_now()));
}

void AnnouncementThrottle::forget(Source source)
{
    m_sources.erase(source);
}

void AnnouncementThrottle::clear()
{
    m_sources.clear();
}

bool AnnouncementThrottle::pending(Source source) const
{
    auto it = m_sources.find(source);
    return it != m_sources.end() && it->second.held;
}

}
