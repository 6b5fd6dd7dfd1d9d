// SPDX-License-Identifier: MIT
#pragma once

namespace forms {

class Timer;

// Runs the timers: hears when one is switched or its Interval set, and calls Timer::tick().
class Clock {
public:
    virtual void timerChanged(Timer&) = 0;
    virtual void timerRemoved(Timer&) = 0;

protected:
    virtual ~Clock() = default;
};

}
