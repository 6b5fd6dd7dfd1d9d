// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Control.h"

#include <cstdint>
#include <functional>

namespace forms {

// While Enabled with an Interval above 0, the timer ticks every Interval milliseconds through
// the application's clock, one event at a time on the one user-interface thread.
class Timer : public Control {
public:
    Timer(Window& window, std::string name)
        : Control(window, std::move(name), ControlKind::Timer, Presence::Windowless)
    {
    }
    Timer(const Timer&) = delete;
    ~Timer() override;

    int interval() const { return m_interval; }
    // 0 to 65535; anything else is an OutOfRange error and leaves the Interval as it was.
    // Setting it, even to the same value, restarts the count.
    void setInterval(std::int64_t milliseconds);

    // Delivered by the clock.
    void tick();

    std::function<void()> onTimer;

private:
    int m_interval = 0;
};

}
