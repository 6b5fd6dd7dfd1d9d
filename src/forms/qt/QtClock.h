// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Clock.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <unordered_map>

class QTimer;

namespace forms::qt {

// Runs each enabled timer on a precise Qt timer, at absolute deadlines (start + n x Interval),
// so the rate does not drift with the time the handlers take. A tick that falls due while the
// previous one is still late is skipped rather than bunched up.
class QtClock final : public QObject, public Clock {
public:
    QtClock();
    ~QtClock() override;

    void timerChanged(Timer& timer) override;
    void timerRemoved(Timer& timer) override;

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
    std::unordered_map<Timer*, std::unique_ptr<Schedule>> m_schedules;
};

}
