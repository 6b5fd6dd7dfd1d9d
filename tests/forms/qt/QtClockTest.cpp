// SPDX-License-Identifier: MIT
#include "forms/qt/QtClock.h"

#include "../FormsFixture.h"
#include "forms/Timer.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kMs = 1000000;

class Ticking final : public forms::Window {
public:
    explicit Ticking(forms::Application& app)
        : Window(app, "Ticking")
    {
        timer.onTimer = [this] { ++ticks; };
        timer.setEnabled(false);
    }
    forms::Timer timer { *this, "timer" };
    int ticks = 0;
};

// The Qt clock on a time source the test moves by hand: the deadlines it keeps are exact, and
// a tick happens only once the test has moved the time past one.
class QtClockTest : public ::testing::Test {
protected:
    // Lets the Qt timers that are due run; a timer armed for later stays pending.
    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // Moves the time on and waits for the Qt timer that is due by then, at most a generous
    // while of real time.
    void moveTo(qint64 ms, int ticks)
    {
        now = ms * kMs;
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.ticks >= ticks; }, 5000)) << "no tick at " << ms << " ms";
        settle();
    }

    qint64 now = 0;
    forms_test::Screen screen;
    forms::qt::QtClock clock { [this] { return now; } };
    forms_test::NoPictures pictures;
    forms_test::TestApplication app { screen, clock, pictures };
    Ticking& w = app.get<Ticking>("Ticking");
};

TEST_F(QtClockTest, AStartedTimerTicksAfterOneIntervalNotAtOnceAndThenEveryInterval)
{
    now = 500 * kMs;
    w.timer.setInterval(10);
    EXPECT_EQ(clock.nextTickNs(w.timer), -1);   // not enabled
    w.timer.setEnabled(true);
    EXPECT_EQ(clock.nextTickNs(w.timer), 510 * kMs);
    settle();
    EXPECT_EQ(w.ticks, 0);

    for (int k = 1; k <= 4; ++k) {
        moveTo(500 + 10 * k, k);
        EXPECT_EQ(w.ticks, k);
        EXPECT_EQ(clock.nextTickNs(w.timer), (510 + 10 * k) * kMs);
    }
    w.timer.setEnabled(false);
    EXPECT_EQ(clock.nextTickNs(w.timer), -1);
}

TEST_F(QtClockTest, SettingTheIntervalRestartsTheCount)
{
    w.timer.setInterval(1000);
    w.timer.setEnabled(true);
    now = 900 * kMs;
    // The same value as before: still a restart, from now.
    w.timer.setInterval(1000);
    EXPECT_EQ(clock.nextTickNs(w.timer), 1900 * kMs);
    now = 950 * kMs;
    w.timer.setInterval(20);
    EXPECT_EQ(clock.nextTickNs(w.timer), 970 * kMs);
    // A stop and a start count afresh as well.
    w.timer.setEnabled(false);
    now = 960 * kMs;
    w.timer.setEnabled(true);
    EXPECT_EQ(clock.nextTickNs(w.timer), 980 * kMs);
    settle();
    EXPECT_EQ(w.ticks, 0);
}

TEST_F(QtClockTest, ALateTickFiresOnceAndTheNextKeepsTheSchedule)
{
    w.timer.setInterval(10);
    w.timer.setEnabled(true);
    // The handler was held up: three and a half intervals pass before the first tick.
    moveTo(35, 1);
    EXPECT_EQ(w.ticks, 1);
    // The missed deadlines at 20 and 30 ms are dropped, not made up in a burst.
    EXPECT_EQ(clock.nextTickNs(w.timer), 40 * kMs);
    moveTo(40, 2);
    EXPECT_EQ(w.ticks, 2);
    EXPECT_EQ(clock.nextTickNs(w.timer), 50 * kMs);

    // A first tick two intervals late, exactly on a later deadline: once, and that deadline is
    // passed, not kept for a second tick at once.
    w.timer.setEnabled(false);
    now = 100 * kMs;
    w.timer.setEnabled(true);
    moveTo(120, 3);
    EXPECT_EQ(w.ticks, 3);
    EXPECT_EQ(clock.nextTickNs(w.timer), 130 * kMs);
}

TEST_F(QtClockTest, AnIntervalOfZeroNeverTicks)
{
    w.timer.setEnabled(true);
    EXPECT_EQ(clock.nextTickNs(w.timer), -1);
    now = 100 * kMs;
    settle();
    EXPECT_EQ(w.ticks, 0);
}

}
