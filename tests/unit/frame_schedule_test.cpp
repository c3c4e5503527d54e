// The frame schedule's arithmetic, with chosen tick values.
#include <gtest/gtest.h>

#include <vector>

#include "app/FrameSchedule.h"

TEST(FrameSchedule, FirstReadingOnlyStartsTheClock)
{
    uint32_t last = 0;
    float dt = -1.0f;
    EXPECT_FALSE(timeFrame(last, 250, dt));
    EXPECT_EQ(last, 250u);
    EXPECT_EQ(dt, -1.0f);  // untouched: nothing is timed in that iteration

    EXPECT_TRUE(timeFrame(last, 265, dt));
    EXPECT_EQ(dt, 15.0f / 1000.0f);
    EXPECT_EQ(last, 265u);

    // A first reading of 0 marks "not yet timed" again: the next iteration
    // also only records its reading.
    uint32_t fromZero = 0;
    EXPECT_FALSE(timeFrame(fromZero, 0, dt));
    EXPECT_FALSE(timeFrame(fromZero, 3, dt));
    EXPECT_TRUE(timeFrame(fromZero, 18, dt));
    EXPECT_EQ(dt, 0.015f);
}

TEST(FrameSchedule, DeltaIsTheSignedDifferenceCappedAtTheStallLimit)
{
    uint32_t last = 0xFFFFFFF0u;  // 16 ms before the counter wraps
    float dt = 0.0f;
    ASSERT_TRUE(timeFrame(last, 5, dt));
    EXPECT_EQ(dt, 21.0f / 1000.0f);

    // The float division is single precision, as the game needs it.
    last = 1000;
    ASSERT_TRUE(timeFrame(last, 1007, dt));
    EXPECT_EQ(dt, static_cast<float>(7u) / 1000.0f);

    // Stalls are timed up to the limit; longer ones, and steps of up to
    // 24.8 days forward, as the limit. A reading that went back (the wall
    // clock stepped back) is a frame of no time, not one of 49 days.
    for (uint32_t stall : {STALL_LIMIT_MS, STALL_LIMIT_MS + 1, 65536000u, 0x7FFFFFFFu, 0u - 20u, 0x80000000u}) {
        last = 1000;
        ASSERT_TRUE(timeFrame(last, 1000 + stall, dt));
        EXPECT_EQ(dt, int32_t(stall) < 0 ? 0.0f : 5.0f) << stall;
        EXPECT_EQ(last, 1000 + stall);
    }
}

TEST(FrameSchedule, WaitsOnlyWhileTheNextFrameIsAhead)
{
    EXPECT_EQ(ticksUntil(15, 10), 5u);
    EXPECT_EQ(ticksUntil(15, 15), 0u);
    EXPECT_EQ(ticksUntil(0, 300), 0u);  // behind at start-up: no wait

    // Across the 32-bit wrap the true short distance is used, never a wait of
    // about 49 days.
    EXPECT_EQ(ticksUntil(5, 0xFFFFFFFAu), 11u);
    EXPECT_EQ(ticksUntil(0xFFFFFFFAu, 5), 0u);
    EXPECT_EQ(ticksUntil(0xFFFFFFFFu, 0xFFFFFFF0u), 15u);
}

// The loop's schedule on a virtual clock: each frame moves the clock by
// `work` ms (a stall, or a step back when negative) before it waits; returns
// the tick at which each frame is flipped.
static std::vector<uint32_t> runFrames(uint32_t startTicks, const std::vector<int32_t>& work)
{
    uint32_t clock = startTicks;
    uint32_t next = 0;
    std::vector<uint32_t> flips;
    for (int32_t w : work) {
        clock += static_cast<uint32_t>(w);
        resyncSchedule(next, clock);
        clock += ticksUntil(next, clock);  // SDL_Delay sleeps exactly this long here
        next += FRAME_PERIOD_MS;
        flips.push_back(clock);
    }
    return flips;
}

TEST(FrameSchedule, CatchesUpAfterStartupAndSlowFramesWithoutDroppingAny)
{
    // Start-up took 300 ms: frames run back to back until the schedule,
    // gaining 15 ms per frame, passes the clock; then they keep a 15 ms grid.
    std::vector<int32_t> work(40, 1);
    std::vector<uint32_t> flips = runFrames(300, work);
    EXPECT_EQ(flips[0], 301u);
    EXPECT_EQ(flips[1], 302u);
    ASSERT_EQ(flips.size(), 40u);
    EXPECT_EQ(flips[39] - flips[38], 15u);
    EXPECT_EQ(flips[39], 39u * 15u);

    // On the grid, one frame of 100 ms leaves the schedule ~85 ms behind; the
    // next frames run without delay until it is caught up, none is skipped.
    std::vector<int32_t> slow(60, 1);
    slow[40] = 100;
    flips = runFrames(0, slow);
    EXPECT_EQ(flips[39], 39u * 15u);
    EXPECT_EQ(flips[40], flips[39] + 100u);
    EXPECT_EQ(flips[41], flips[40] + 1u);  // catching up: no wait
    EXPECT_EQ(flips[59], 59u * 15u);       // back on the same grid
    EXPECT_EQ(flips[59] - flips[58], 15u);
}

TEST(FrameSchedule, AfterALongStallOrAStepBackTheScheduleStartsAgain)
{
    // A stall of the limit is still caught up frame by frame: 333 frames
    // without a wait.
    std::vector<int32_t> work(400, 1);
    work[40] = static_cast<int32_t>(STALL_LIMIT_MS);
    std::vector<uint32_t> flips = runFrames(0, work);
    EXPECT_EQ(flips[41], flips[40] + 1u);
    EXPECT_EQ(flips[373], flips[372] + 1u);
    EXPECT_EQ(flips[399] - flips[398], 15u);

    // An hour: the next frame is due at once, then the grid goes on from
    // the clock with no catching up.
    work.assign(60, 1);
    work[40] = 3600000;
    flips = runFrames(0, work);
    EXPECT_EQ(flips[40], flips[39] + 3600000u);
    for (size_t i = 41; i < 60; ++i)
        EXPECT_EQ(flips[i] - flips[i - 1], 15u) << i;

    // The clock set back by 20 ms, and by an hour: no wait of the step's
    // length, the grid goes on from the clock.
    for (int32_t back : {-20, -3600000}) {
        work.assign(60, 1);
        work[40] = back;
        flips = runFrames(10000000, work);
        EXPECT_EQ(flips[40], flips[39] + static_cast<uint32_t>(back)) << back;
        EXPECT_EQ(flips[41] - flips[40], 15u) << back;
    }
}
