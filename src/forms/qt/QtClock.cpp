// SPDX-License-Identifier: MIT
#include "forms/qt/QtClock.h"

#include "forms/Timer.h"

#include <QTimer>

namespace forms::qt {

QtClock::QtClock(TimeSource now)
    : m_now(std::move(now))
{
    m_elapsed.start();
    if (!m_now)
        m_now = [this] { return m_elapsed.nsecsElapsed(); };
}

QtClock::~QtClock()
{
    for (auto& [timer, schedule] : m_schedules)
        delete schedule->qtimer;
}

void QtClock::timerChanged(Timer& timer)
{
    const bool runs = timer.enabled() && timer.interval() > 0;
    auto it = m_schedules.find(&timer);
    if (!runs) {
        if (it != m_schedules.end()) {
            delete it->second->qtimer;
            m_schedules.erase(it);
        }
        return;
    }
    if (it == m_schedules.end()) {
        auto schedule = std::make_unique<Schedule>();
        schedule->qtimer = new QTimer(this);
        schedule->qtimer->setSingleShot(true);
        schedule->qtimer->setTimerType(Qt::PreciseTimer);
        Timer* target = &timer;
        connect(schedule->qtimer, &QTimer::timeout, this, [this, target] { fire(target); });
        it = m_schedules.emplace(&timer, std::move(schedule)).first;
    }
    // Enabling or setting the Interval restarts the count from now.
    Schedule& schedule = *it->second;
    schedule.startNs = m_now();
    schedule.intervalNs = static_cast<qint64>(timer.interval()) * 1000000;
    schedule.n = 1;
    arm(schedule);
}

void QtClock::timerRemoved(Timer& timer)
{
    auto it = m_schedules.find(&timer);
    if (it == m_schedules.end())
        return;
    delete it->second->qtimer;
    m_schedules.erase(it);
}

qint64 QtClock::nextTickNs(const Timer& timer) const
{
    auto it = m_schedules.find(const_cast<Timer*>(&timer));
    if (it == m_schedules.end())
        return -1;
    const Schedule& schedule = *it->second;
    return schedule.startNs + schedule.n * schedule.intervalNs;
}

void QtClock::arm(Schedule& schedule)
{
    const qint64 due = schedule.startNs + schedule.n * schedule.intervalNs;
    const qint64 waitNs = due - m_now();
    // Rounded up: a Qt timer that wakes early is only sent back to wait for the rest.
    const int waitMs = waitNs <= 0 ? 0 : static_cast<int>((waitNs + 999999) / 1000000);
    schedule.qtimer->start(waitMs);
}

void QtClock::fire(Timer* timer)
{
    auto it = m_schedules.find(timer);
    if (it == m_schedules.end())
        return;
    {
        Schedule& schedule = *it->second;
        const qint64 now = m_now();
        // Never a tick before its deadline.
        if (now < schedule.startNs + schedule.n * schedule.intervalNs) {
            arm(schedule);
            return;
        }
        // Next deadline first, strictly after now: a late tick is not followed by a burst.
        ++schedule.n;
        const qint64 behind = now - (schedule.startNs + schedule.n * schedule.intervalNs);
        if (behind >= 0)
            schedule.n += behind / schedule.intervalNs + 1;
        arm(schedule);
    }
    // The handler may stop, restart or destroy the timer; the schedule above is then replaced.
    timer->tick();
}

}
