#include "round/GameClock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr int64_t Ms = 1'000'000;

} // namespace

// Late and dropped timer events at 1 ms (gaps of 1 to 6 ms) must still add up to one tick per
// nominal millisecond, with the part-interval remainders carried over rather than lost.
TEST(RoundGameClock, catchesUpDroppedEventsWithoutLosingRemainders) {
    GameClock clock;
    int64_t now = 5'000 * Ms;
    clock.start(1, now);
    int64_t ticks = 0;
    const int64_t gapsUs[] = {1000, 1700, 6000, 2300, 900, 4100, 1000};
    for (int round = 0; round < 24; ++round)
        for (int64_t gap : gapsUs) {
            now += gap * 1000;
            ticks += clock.dueTicks(now);
        }
    EXPECT_EQ(ticks, 24 * 17);

    GameClock slow;
    slow.start(50, 0);
    EXPECT_EQ(slow.dueTicks(30 * Ms), 0);
    EXPECT_EQ(slow.dueTicks(60 * Ms), 1);
    EXPECT_EQ(slow.dueTicks(90 * Ms), 0);
    EXPECT_EQ(slow.dueTicks(100 * Ms), 1);
    EXPECT_EQ(slow.dueTicks(100 * Ms + 25'000 * Ms), 500);
}

// A new interval counts from the moment it is set, not from the old phase; setting the same
// interval again must not shift the phase. A clock not yet started runs no ticks.
TEST(RoundGameClock, rebasesOnlyWhenTheIntervalChanges) {
    GameClock clock;
    EXPECT_EQ(clock.dueTicks(1'000 * Ms), 0);
    clock.start(50, 0);
    clock.setInterval(50, 40 * Ms);
    EXPECT_EQ(clock.dueTicks(50 * Ms), 1);
    clock.setInterval(45, 70 * Ms);
    EXPECT_EQ(clock.intervalMs(), 45);
    EXPECT_EQ(clock.dueTicks(110 * Ms), 0);
    EXPECT_EQ(clock.dueTicks(115 * Ms), 1);
    clock.stop();
    EXPECT_EQ(clock.dueTicks(1'000 * Ms), 0);
}
