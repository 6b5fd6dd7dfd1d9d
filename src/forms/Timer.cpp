// SPDX-License-Identifier: MIT
#include "forms/Timer.h"

#include "forms/Application.h"
#include "forms/Clock.h"
#include "forms/Error.h"

namespace forms {

Timer::~Timer()
{
    application().clock().timerRemoved(*this);
}

void Timer::setInterval(std::int64_t milliseconds)
{
    if (milliseconds < 0 || milliseconds > 65535) {
        throw Error(ErrorKind::OutOfRange,
                    "The interval " + std::to_string(milliseconds) + " ms is out of range; it must lie between 0 and 65535.");
    }
    m_interval = static_cast<int>(milliseconds);
    changed(Property::Interval);
}

void Timer::tick()
{
    if (!enabled() || m_interval <= 0 || !onTimer || application().ended())
        return;
    application().dispatch(onTimer);
}

}
