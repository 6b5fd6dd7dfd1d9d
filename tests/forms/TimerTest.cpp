// SPDX-License-Identifier: MIT
#include "FormsFixture.h"

#include "forms/Timer.h"

#include <gtest/gtest.h>

using namespace forms;

namespace {

class Clocked final : public Window {
public:
    explicit Clocked(Application& app)
        : Window(app, "Clocked")
    {
        slow.onTimer = [this] { ++slowTicks; };
        slow.setEnabled(false);
    }
    Timer slow { *this, "slow" };
    int slowTicks = 0;
};

TEST(Timer, TicksEveryIntervalOnlyWhileEnabledAndAboveZero)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Clocked>("Clocked");
    w.slow.setInterval(100);
    f.clock.advance(1000);
    EXPECT_EQ(w.slowTicks, 0);   // not enabled

    w.slow.setEnabled(true);
    f.clock.advance(350);
    EXPECT_EQ(w.slowTicks, 3);

    // Setting the Interval restarts the count, even to the same value.
    w.slow.setInterval(100);
    f.clock.advance(99);
    EXPECT_EQ(w.slowTicks, 3);
    f.clock.advance(1);
    EXPECT_EQ(w.slowTicks, 4);

    w.slow.setInterval(0);
    f.clock.advance(1000);
    EXPECT_EQ(w.slowTicks, 4);   // an Interval of 0 never ticks

    w.slow.setInterval(50);
    w.slow.setEnabled(false);
    f.clock.advance(1000);
    EXPECT_EQ(w.slowTicks, 4);
}

TEST(Timer, IntervalOutsideItsRangeIsAnErrorAndChangesNothing)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Clocked>("Clocked");
    w.slow.setInterval(200);
    EXPECT_THROW(w.slow.setInterval(70000), Error);
    EXPECT_THROW(w.slow.setInterval(-1), Error);
    EXPECT_EQ(w.slow.interval(), 200);
    w.slow.setInterval(65535);
    EXPECT_EQ(w.slow.interval(), 65535);
}

TEST(Timer, TicksAreEventsThatNeverInterruptAHandler)
{
    forms_test::Fixture f;
    auto& w = f.app.get<Clocked>("Clocked");
    w.slow.setInterval(10);
    w.slow.setEnabled(true);
    // A handler that runs while time passes (a message box waiting, say) sees no tick inside it.
    f.app.dispatch([&] {
        f.clock.advance(100);
        EXPECT_EQ(w.slowTicks, 0);
    });
    f.clock.advance(10);
    EXPECT_EQ(w.slowTicks, 1);

    // After the end no event is delivered.
    f.app.end();
    f.clock.advance(100);
    EXPECT_EQ(w.slowTicks, 1);
}

}
