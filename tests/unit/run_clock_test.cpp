// The run clock: banking splits into the score by points and processor time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "bands/RunClock.h"
#include "bands/Truncate.h"
#include "tests/support/FakeProcessorClock.h"

namespace {

class RunClockTest : public ::testing::Test {
protected:
    void SetUp() override { fakeProcessorClock = 0; }
    void TearDown() override { fakeProcessorClock = 0; }

    // A split of the given points that lasts from start to end ticks, banked.
    void bankSplit(int32_t points, clock_t start, clock_t end)
    {
        fakeProcessorClock = start;
        clock.startSplit();
        clock.addSplitPoints(points);
        fakeProcessorClock = end;
        clock.endSplit(true);
    }

    RunClock clock;
};

TEST_F(RunClockTest, ConstructionAndResetZeroEverything)
{
    EXPECT_EQ(clock.score, 0);
    EXPECT_EQ(clock.splitPoints, 0);
    EXPECT_EQ(clock.splitStart, 0);
    EXPECT_EQ(clock.longestSplitSeconds, 0.0);
    clock.score = 5;
    clock.splitPoints = 6;
    clock.splitStart = 7;
    clock.longestSplitSeconds = 8.0;
    clock.reset();
    EXPECT_EQ(clock.score, 0);
    EXPECT_EQ(clock.splitPoints, 0);
    EXPECT_EQ(clock.splitStart, 0);
    EXPECT_EQ(clock.longestSplitSeconds, 0.0);
}

TEST_F(RunClockTest, DroppedSplitLosesOnlyItsOwnPoints)
{
    clock.score = 7;
    clock.longestSplitSeconds = 2.5;
    fakeProcessorClock = 100;
    clock.startSplit();
    EXPECT_EQ(clock.splitStart, 100);
    clock.addSplitPoints(50);
    clock.addSplitPoints(25);
    EXPECT_EQ(clock.splitPoints, 75);
    fakeProcessorClock = 9000000;
    clock.endSplit(false);
    EXPECT_EQ(clock.splitPoints, 0);
    EXPECT_EQ(clock.splitStart, 0);
    EXPECT_EQ(clock.score, 7);
    EXPECT_EQ(clock.longestSplitSeconds, 2.5);
}

TEST_F(RunClockTest, BankingAddsPointsTimesSecondsOver500)
{
    clock.score = 10;
    bankSplit(1234, 0, 300000);  // 10 + 0.7404
    EXPECT_EQ(clock.score, 10);
    EXPECT_EQ(clock.longestSplitSeconds, 0.3);
    // Points and start stay as they were after banking.
    EXPECT_EQ(clock.splitPoints, 1234);
    EXPECT_EQ(clock.splitStart, 0);

    bankSplit(48000, 1000000, 3000000);
    EXPECT_EQ(clock.score, 10 + 192);
    EXPECT_EQ(clock.longestSplitSeconds, 2.0);

    bankSplit(10000, 5000000, 6000000);  // shorter: the longest stays
    EXPECT_EQ(clock.score, 10 + 192 + 20);
    EXPECT_EQ(clock.longestSplitSeconds, 2.0);

    bankSplit(0, 6000000, 8500000);  // no points, but the longest split
    EXPECT_EQ(clock.score, 222);
    EXPECT_EQ(clock.longestSplitSeconds, 2.5);

    bankSplit(-48000, 0, 2000000);  // truncation toward zero of the total
    EXPECT_EQ(clock.score, 222 - 192);
    clock.score = 0;
    bankSplit(-1234, 0, 300000);
    EXPECT_EQ(clock.score, 0);

    // Product, then division, in double: 45000 * 0.7 / 500 comes out just
    // below 63 and truncates to 62 (rounding through float, or dividing
    // 0.7 by 500 first, would give 63).
    bankSplit(45000, 0, 700000);
    EXPECT_EQ(clock.score, 62);
}

TEST_F(RunClockTest, BankingTwiceMeasuresFromTheSameStart)
{
    bankSplit(48000, 1000000, 3000000);
    EXPECT_EQ(clock.score, 192);
    fakeProcessorClock = 4000000;  // 3 s after the start
    clock.endSplit(true);
    EXPECT_EQ(clock.score, 192 + 288);
    EXPECT_EQ(clock.longestSplitSeconds, 3.0);

    clock.addSplitPoints(5);
    clock.startSplit();  // a new split starts from nothing
    EXPECT_EQ(clock.splitPoints, 0);
    EXPECT_EQ(clock.splitStart, 4000000);
    EXPECT_EQ(clock.score, 480);
    EXPECT_EQ(clock.longestSplitSeconds, 3.0);
}

TEST_F(RunClockTest, PointsAndScoreSaturateInsteadOfOverflowing)
{
    clock.addSplitPoints(INT32_MAX - 5);
    EXPECT_EQ(clock.splitPoints, INT32_MAX - 5);
    clock.addSplitPoints(5);
    EXPECT_EQ(clock.splitPoints, INT32_MAX);
    clock.addSplitPoints(1000);
    EXPECT_EQ(clock.splitPoints, INT32_MAX);
    clock.addSplitPoints(-1);
    EXPECT_EQ(clock.splitPoints, INT32_MAX - 1);

    clock.startSplit();
    clock.addSplitPoints(INT32_MIN + 5);
    clock.addSplitPoints(-5);
    EXPECT_EQ(clock.splitPoints, INT32_MIN);
    clock.addSplitPoints(INT32_MIN);
    EXPECT_EQ(clock.splitPoints, INT32_MIN);

    clock.score = 100;
    bankSplit(INT32_MAX, 0, 1000000000);  // about 4.3e9 over 1000 s
    EXPECT_EQ(clock.score, INT32_MAX);
    EXPECT_EQ(clock.longestSplitSeconds, 1000.0);
    bankSplit(1000, 0, 1000000);  // stays saturated, does not wrap
    EXPECT_EQ(clock.score, INT32_MAX);

    clock.score = -100;
    bankSplit(INT32_MIN, 0, 1000000000);
    EXPECT_EQ(clock.score, INT32_MIN);

    // Near the limit, but within it: the exact result.
    clock.score = INT32_MAX - 10;
    bankSplit(2500, 0, 1000000);  // + 5
    EXPECT_EQ(clock.score, INT32_MAX - 5);
}

TEST(Truncation, TowardZeroSaturatingAtTheLimitsAndNanIsZero)
{
    EXPECT_EQ(truncToInt(20.7), 20);
    EXPECT_EQ(truncToInt(-20.7), -20);
    EXPECT_EQ(truncToInt(-0.5), 0);
    EXPECT_EQ(truncToInt(2147483647.9), INT32_MAX);
    EXPECT_EQ(truncToInt(2147483648.0), INT32_MAX);
    EXPECT_EQ(truncToInt(-2147483648.9), INT32_MIN);
    EXPECT_EQ(truncToInt(-2147483649.0), INT32_MIN);
    EXPECT_EQ(truncToInt(1e300), INT32_MAX);
    EXPECT_EQ(truncToInt(-std::numeric_limits<double>::infinity()), INT32_MIN);
    EXPECT_EQ(truncToInt(std::nan("")), 0);
}

}  // namespace
