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
// `work` ms (a stall, or a step back when negative) before it waits, and the
// wait then ends `wake[i]` ms late (early when negative; never before it
// began); returns the tick at which each frame is flipped, and counts the
// schedule's restarts.
namespace {

struct Frames {
    std::vector<uint32_t> flips;
    int restarts = 0;
};

Frames runFrames(uint32_t startTicks, const std::vector<int32_t>& work, const std::vector<int32_t>& wake = {})
{
    uint32_t clock = startTicks;
    uint32_t next = 0;
    uint32_t lastTicks = 0;
    Frames frames;
    for (size_t i = 0; i < work.size(); ++i) {
        clock += static_cast<uint32_t>(work[i]);
        frames.restarts += resyncSchedule(next, lastTicks, clock);
        const int32_t slept = static_cast<int32_t>(ticksUntil(next, clock)) + (i < wake.size() ? wake[i] : 0);
        clock += static_cast<uint32_t>(slept > 0 ? slept : 0);
        next += FRAME_PERIOD_MS;
        frames.flips.push_back(clock);
    }
    return frames;
}

}  // namespace

TEST(FrameSchedule, WakeUpsEarlyOrLateNeverRestartTheSchedule)
{
    // Sleeps that end up to 3 ms off their slot on the tick scale, as a
    // millisecond delay against a truncated counter does: the grid holds,
    // 1,000 frames on it take exactly 15,000 ms, and no flip strays further
    // than the wake-up did. A restart would show as a frame presented early,
    // and the schedule would then run ahead of the grid for good.
    const int32_t pattern[] = {0, -1, 1, -1, 0, 2, -2, -1, 3, -3, 0, 1, -1, -1, 2, 0, -3, 1, 0, -2};
    std::vector<int32_t> wake;
    for (int i = 0; i < 1020; ++i)
        wake.push_back(pattern[i % 20]);
    const std::vector<int32_t> work(1020, 1);
    Frames frames = runFrames(0, work, wake);
    EXPECT_EQ(frames.restarts, 0);
    size_t firstStray = 0;
    for (size_t i = 1019; i >= 20; --i) {
        if (static_cast<int32_t>(frames.flips[i] - static_cast<uint32_t>(i * FRAME_PERIOD_MS)) != wake[i])
            firstStray = i;
    }
    EXPECT_EQ(firstStray, 0u) << "frame " << firstStray << " flipped at " << frames.flips[firstStray];
    EXPECT_EQ(frames.flips[1019] - frames.flips[19], 1000u * FRAME_PERIOD_MS + wake[1019] - wake[19]);

    // Started just below the counter's wrap: the first slot lies after it,
    // and the game waits for it rather than restarting on the wrong side.
    frames = runFrames(0xFFFFFF00u, std::vector<int32_t>(30, 1));
    EXPECT_EQ(frames.restarts, 0);
    EXPECT_EQ(frames.flips[0], 0u);
    EXPECT_EQ(frames.flips[29], 29u * FRAME_PERIOD_MS);
}

TEST(FrameSchedule, CatchesUpAfterStartupAndSlowFramesWithoutDroppingAny)
{
    // Start-up took 300 ms: frames run back to back until the schedule,
    // gaining 15 ms per frame, passes the clock; then they keep a 15 ms grid.
    std::vector<int32_t> work(40, 1);
    std::vector<uint32_t> flips = runFrames(300, work).flips;
    EXPECT_EQ(flips[0], 301u);
    EXPECT_EQ(flips[1], 302u);
    ASSERT_EQ(flips.size(), 40u);
    EXPECT_EQ(flips[39] - flips[38], 15u);
    EXPECT_EQ(flips[39], 39u * 15u);

    // On the grid, one frame of 100 ms leaves the schedule ~85 ms behind; the
    // next frames run without delay until it is caught up, none is skipped.
    std::vector<int32_t> slow(60, 1);
    slow[40] = 100;
    flips = runFrames(0, slow).flips;
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
    std::vector<uint32_t> flips = runFrames(0, work).flips;
    EXPECT_EQ(flips[41], flips[40] + 1u);
    EXPECT_EQ(flips[373], flips[372] + 1u);
    EXPECT_EQ(flips[399] - flips[398], 15u);

    // An hour: the next frame is due at once, then the grid goes on from
    // the clock with no catching up.
    work.assign(60, 1);
    work[40] = 3600000;
    flips = runFrames(0, work).flips;
    EXPECT_EQ(flips[40], flips[39] + 3600000u);
    for (size_t i = 41; i < 60; ++i)
        EXPECT_EQ(flips[i] - flips[i - 1], 15u) << i;

    // The clock set back by 20 ms, and by an hour: no wait of the step's
    // length, the grid goes on from the clock.
    for (int32_t back : {-20, -3600000}) {
        work.assign(60, 1);
        work[40] = back;
        flips = runFrames(10000000, work).flips;
        EXPECT_EQ(flips[40], flips[39] + static_cast<uint32_t>(back)) << back;
        EXPECT_EQ(flips[41] - flips[40], 15u) << back;
    }

    // The clock set back an hour before the first frame: no reading to
    // compare with, but a frame due an hour ahead is no slot to wait for.
    flips = runFrames(0u - 3600000u, std::vector<int32_t>(3, 1)).flips;
    EXPECT_EQ(flips[0], 0u - 3600000u + 1u);
    EXPECT_EQ(flips[2] - flips[1], 15u);
}
