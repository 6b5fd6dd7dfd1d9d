// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace forms::qt {

// Lets a changing value be announced at most once per `gap` milliseconds per source: the first
// change after a quiet gap goes out at once, later ones within the gap are held, and the value
// current at the end of the gap goes out then. So a label rewritten every millisecond reaches
// the accessibility bus a few times a second and never ends on a stale value.
class AnnouncementThrottle {
public:
    using Source = const void*;
    // `now` is a monotonic time in milliseconds; `schedule` asks for `flushDue()` to be called
    // after the given delay (a later request may replace an earlier one).
    AnnouncementThrottle(std::int64_t gap, std::function<std::int64_t()> now,
        std::function<void(std::int64_t delay)> schedule, std::function<void(Source)> announce);

    void changed(Source source);
    // Announces every held source whose gap has passed, and schedules the next check.
    void flushDue();
    // The source is gone: nothing of it may be announced any more.
    void forget(Source source);
    void clear();

    bool pending(Source source) const;

private:
    struct State {
        std::int64_t last = 0;
        bool held = false;
    };
    void scheduleNext();

    std::int64_t m_gap;
    std::function<std::int64_t()> m_now;
    std::function<void(std::int64_t)> m_schedule;
    std::function<void(Source)> m_announce;
    std::unordered_map<Source, State> m_sources;
};

}
