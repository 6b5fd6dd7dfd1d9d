// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Clock.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>
#include <unordered_map>

class QTimer;

namespace forms::qt {

// Runs each enabled timer on a precise Qt timer, at absolute deadlines (start + n x Interval),
// so the rate does not drift with the time the handlers take. A tick that falls due while the
// previous one is still late is skipped rather than bunched up.
class QtClock final : public QObject, public Clock {
public:
    // Nanoseconds on a steady clock; tests pass one they move by hand.
    using TimeSource = std::function<qint64()>;

    // Without a time source the clock reads a monotonic timer of its own.
    explicit QtClock(TimeSource now = {});
    ~QtClock() override;

    void timerChanged(Timer& timer) override;
    void timerRemoved(Timer& timer) override;

    // When the timer ticks next, on the time source's scale; -1 while it does not run.
    qint64 nextTickNs(const Timer& timer) const;

private:
    struct Schedule {
        QTimer* qtimer = nullptr;
        qint64 startNs = 0;
        qint64 intervalNs = 0;
        qint64 n = 0;
    };

    void arm(Schedule& schedule);
    void fire(Timer* timer);

    QElapsedTimer m_elapsed;
    TimeSource m_now;
    std::unordered_map<Timer*, std::unique_ptr<Schedule>> m_schedules;
};

}
