// SPDX-License-Identifier: MIT
#include "forms/qt/accessibility/AnnouncementThrottle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using forms::qt::AnnouncementThrottle;

// A throttle on a clock the test moves by hand.
struct Fixture {
    std::int64_t now = 0;
    std::vector<std::int64_t> requests; // the delays asked for
    std::vector<std::pair<std::int64_t, int>> announced; // when, which source
    int a = 0;
    int b = 0;
    AnnouncementThrottle throttle {250, [this] { return now; }, [this](std::int64_t d) { requests.push_back(d); },
        [this](AnnouncementThrottle::Source s) { announced.emplace_back(now, s == &a ? 0 : 1); }};
};

TEST(AnnouncementThrottle, FirstChangeAtOnceTheRestAtTheEndOfTheGap)
{
    Fixture f;
    f.throttle.changed(&f.a);
    f.now = 100;
    f.throttle.changed(&f.a);
    f.now = 200;
    f.throttle.changed(&f.a);
    EXPECT_EQ(f.announced, (std::vector<std::pair<std::int64_t, int>> {{0, 0}}));
    // The check is asked for when the gap ends, once.
    EXPECT_EQ(f.requests, (std::vector<std::int64_t> {150}));

    f.now = 249;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced.size(), 1u);
    f.now = 250;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced, (std::vector<std::pair<std::int64_t, int>> {{0, 0}, {250, 0}}));
    EXPECT_FALSE(f.throttle.pending(&f.a));

    // The held announcement starts a gap of its own.
    f.now = 300;
    f.throttle.changed(&f.a);
    EXPECT_EQ(f.announced.size(), 2u);
    f.now = 500;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced.back(), (std::pair<std::int64_t, int> {500, 0}));

    // Nothing held: a later check announces nothing.
    f.now = 900;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced.size(), 3u);
}

TEST(AnnouncementThrottle, AChangeOneGapAfterTheLastGoesOutAtOnce)
{
    Fixture f;
    f.throttle.changed(&f.a);
    f.now = 249;
    f.throttle.changed(&f.a);
    EXPECT_TRUE(f.throttle.pending(&f.a));
    f.now = 250;
    f.throttle.flushDue();
    f.now = 500;
    f.throttle.changed(&f.a);
    EXPECT_EQ(f.announced, (std::vector<std::pair<std::int64_t, int>> {{0, 0}, {250, 0}, {500, 0}}));
    EXPECT_FALSE(f.throttle.pending(&f.a));
}

TEST(AnnouncementThrottle, SourcesKeepTheirOwnPaceAndForgottenOnesStaySilent)
{
    Fixture f;
    f.throttle.changed(&f.a);
    f.now = 100;
    f.throttle.changed(&f.b);
    f.throttle.changed(&f.a);
    f.now = 150;
    f.throttle.changed(&f.b);
    EXPECT_EQ(f.announced, (std::vector<std::pair<std::int64_t, int>> {{0, 0}, {100, 1}}));

    // At 250 only a's gap has ended; b's ends at 350.
    f.now = 250;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced.back(), (std::pair<std::int64_t, int> {250, 0}));
    EXPECT_EQ(f.requests.back(), 100);
    f.throttle.forget(&f.b);
    f.now = 350;
    f.throttle.flushDue();
    EXPECT_EQ(f.announced.size(), 3u);
}

}
