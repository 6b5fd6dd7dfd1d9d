// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Clock.h"

#include <cstdint>
#include <vector>

namespace forms {

// A clock that moves only when told to: tests and benchmarks advance it and see exactly the
// ticks that fall due, in time order, each delivered as its own event.
class ManualClock final : public Clock {
public:
    void timerChanged(Timer& timer) override;
    void timerRemoved(Timer& timer) override;

    // Moves time on by `milliseconds`, delivering every tick due on the way.
    void advance(std::int64_t milliseconds);
    std::int64_t now() const { return m_now; }

private:
    struct Entry {
        Timer* timer;
        std::int64_t due;
    };

    std::int64_t m_now = 0;
    std::vector<Entry> m_entries;
};

}
