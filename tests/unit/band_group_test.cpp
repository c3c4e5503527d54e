// The band group: runs, split, merge, push, removal of finished bands and
// scoring.
#include <gtest/gtest.h>

#include <vector>

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/FakeProcessorClock.h"
#include "tests/support/TestSurface.h"

namespace {

class BandGroupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        openGlobalCave();
        fakeProcessorClock = 0;
    }
    void TearDown() override
    {
        restoreGlobalCave();
        fakeProcessorClock = 0;
    }

    static void updateFrame(BandGroup& group, int columns, float dt = FRAME_DT)
    {
        columnsThisFrame = columns;
        group.update(dt);
    }

    static void expectFresh(const Band& band)
    {
        EXPECT_EQ(band.state, Alive);
        EXPECT_EQ(band.velocity, 0.0f);
        EXPECT_EQ(band.topEdgeAt(-1), 110.0f);
        EXPECT_EQ(band.bottomEdgeAt(-1), 130.0f);
        EXPECT_EQ(nonEmptySamples(band), 1);
    }
};

TEST_F(BandGroupTest, NewGroupHoldsNothing)
{
    BandGroup group;
    EXPECT_TRUE(group.bands.empty());
    EXPECT_EQ(group.aliveCount(), 0);
    EXPECT_EQ(group.steer, 0);
    EXPECT_EQ(group.splitHeld, 0);
    EXPECT_EQ(group.score(), 0);
    EXPECT_EQ(group.longestSplitSeconds(), 0.0);

    SDL_Surface* surface = makeTestSurface();
    ASSERT_NE(surface, nullptr);
    group.draw(screenOf(surface));
    EXPECT_EQ(countAll(surface, storedColour(surface, 0, 0, 0)), 320 * 240);
    SDL_FreeSurface(surface);

    group.splitHeld = 1;
    updateFrame(group, 6);
    EXPECT_TRUE(group.bands.empty());
    EXPECT_EQ(group.runClock->splitPoints, 0);
    EXPECT_EQ(group.runClock->splitStart, 0);
    EXPECT_EQ(group.score(), 0);
}

TEST_F(BandGroupTest, ResetStartsARunWithOneFreshBand)
{
    BandGroup group;
    group.steer = 2;
    group.splitHeld = 1;
    group.reset();
    ASSERT_EQ(group.bands.size(), 1u);
    expectFresh(*group.bands[0]);
    EXPECT_EQ(group.splitHeld, 0);
    EXPECT_EQ(group.steer, 2);  // steering is kept

    Band* band = group.bands[0];
    updateFrame(group, 6);
    band->state = Dying;
    band->velocity = 5.0f;
    group.runClock->score = 9;
    group.runClock->longestSplitSeconds = 3.0;
    group.reset();
    ASSERT_EQ(group.bands.size(), 1u);
    EXPECT_EQ(group.bands[0], band);  // the same object, revived
    expectFresh(*band);
    EXPECT_EQ(group.score(), 0);
    EXPECT_EQ(group.longestSplitSeconds(), 0.0);
}

TEST_F(BandGroupTest, SteerSignAndAbandonSplit)
{
    BandGroup group;
    const int steers[] = {-2, -1, 0, 1, 3};
    const int signs[] = {-1, -1, 0, 1, 1};
    for (int i = 0; i < 5; ++i) {
        group.steer = steers[i];
        EXPECT_EQ(group.steerSign(), signs[i]) << steers[i];
    }

    group.splitHeld = 1;
    group.runClock->splitPoints = 321;
    group.runClock->splitStart = 77;
    group.runClock->score = 12;
    group.runClock->longestSplitSeconds = 1.5;
    group.abandonSplit();
    EXPECT_EQ(group.splitHeld, 0);
    EXPECT_EQ(group.runClock->splitPoints, 0);
    EXPECT_EQ(group.runClock->splitStart, 0);
    EXPECT_EQ(group.score(), 12);
    EXPECT_EQ(group.longestSplitSeconds(), 1.5);
}

TEST_F(BandGroupTest, SplitHalvesTheBandOnePixelApart)
{
    BandGroup group;
    group.reset();
    Band* upper = group.bands[0];
    upper->velocity = 3.25f;
    group.runClock->splitPoints = 99;
    fakeProcessorClock = 4242;
    group.splitHeld = 1;
    updateFrame(group, 0);

    ASSERT_EQ(group.bands.size(), 2u);
    EXPECT_EQ(group.bands[0], upper);
    const Band* lower = group.bands[1];
    EXPECT_EQ(upper->topEdgeAt(-1), 110.0f);
    EXPECT_EQ(upper->bottomEdgeAt(-1), 120.0f);
    EXPECT_EQ(lower->topEdgeAt(-1), 121.0f);
    EXPECT_EQ(lower->bottomEdgeAt(-1), 131.0f);
    EXPECT_EQ(nonEmptySamples(*lower), 1);
    EXPECT_EQ(lower->state, Alive);
    EXPECT_EQ(upper->velocity, 3.25f);  // no push in the frame of the split
    EXPECT_EQ(lower->velocity, 3.25f);
    EXPECT_EQ(group.runClock->splitStart, 4242);
    EXPECT_EQ(group.runClock->splitPoints, 0);
}

TEST_F(BandGroupTest, SplitFrameNeitherPushesNorScoresAndTheHalvesFlyApart)
{
    BandGroup group;
    group.reset();
    group.splitHeld = 1;
    updateFrame(group, 6);
    ASSERT_EQ(group.bands.size(), 2u);
    Band* upper = group.bands[0];
    Band* lower = group.bands[1];
    EXPECT_EQ(upper->velocity, 0.0f);
    EXPECT_EQ(lower->velocity, 0.0f);
    EXPECT_EQ(group.runClock->splitPoints, 0);
    EXPECT_EQ(nonEmptySamples(*lower), 7);  // the new half is stepped too

    updateFrame(group, 6);  // still 1.0 apart: no merge, pushed apart
    EXPECT_EQ(group.aliveCount(), 2);
    EXPECT_EQ(upper->velocity, -1.5f);
    EXPECT_EQ(lower->velocity, 1.5f);
    // Six columns of bottom-edge distances 11.0075 .. 11.045.
    EXPECT_EQ(group.runClock->splitPoints, 66);
}

TEST_F(BandGroupTest, TheOnlyAliveBandIsSplitWhereverItStands)
{
    BandGroup group;
    Band* dying1 = addBand(group, 50.0f, 60.0f, 0.0f, Dying);
    Band* dying2 = addBand(group, 170.0f, 180.0f, 0.0f, Dying);
    Band* alive = addBand(group, 110.0f, 130.0f);
    group.splitHeld = 1;
    updateFrame(group, 0);
    ASSERT_EQ(group.bands.size(), 4u);
    EXPECT_EQ(group.bands[0], dying1);
    EXPECT_EQ(group.bands[1], dying2);
    EXPECT_EQ(group.bands[2], alive);
    EXPECT_EQ(dying1->bottomEdgeAt(-1), 60.0f);
    EXPECT_EQ(alive->bottomEdgeAt(-1), 120.0f);
    EXPECT_EQ(group.bands[3]->topEdgeAt(-1), 121.0f);
    EXPECT_EQ(group.bands[3]->bottomEdgeAt(-1), 131.0f);
}

TEST_F(BandGroupTest, TouchingHalvesMergeAndBankTheSplit)
{
    BandGroup group;
    Band* upper = addBand(group, 130.0f, 150.0f);
    Band* lower = addBand(group, 150.0f, 170.0f);
    group.splitHeld = 1;  // merges whether or not split is held
    group.runClock->startSplit();
    group.runClock->addSplitPoints(500);
    fakeProcessorClock = 1000000;  // one second
    updateFrame(group, 0);
    EXPECT_EQ(upper->state, Alive);
    EXPECT_EQ(upper->bottomEdgeAt(-1), 170.0f);
    EXPECT_EQ(lower->state, Dying);
    EXPECT_EQ(group.score(), 1);
    EXPECT_EQ(group.longestSplitSeconds(), 1.0);
    EXPECT_EQ(group.splitHeld, 1);

    // The worked merge: thickness added back, velocities averaged.
    BandGroup other;
    upper = addBand(other, 100.0f, 140.0f, -20.0f);
    lower = addBand(other, 139.5f, 149.5f, 40.0f);
    other.runClock->startSplit();
    other.runClock->addSplitPoints(48000);
    fakeProcessorClock = 3000000;
    updateFrame(other, 0);
    EXPECT_EQ(upper->topEdgeAt(-1), 100.0f);
    EXPECT_EQ(upper->bottomEdgeAt(-1), 150.0f);
    EXPECT_EQ(upper->velocity, 10.0f);
    EXPECT_EQ(lower->state, Dying);
    EXPECT_EQ(other.score(), 192);
    EXPECT_EQ(other.longestSplitSeconds(), 2.0);

    // The first alive band in array order is the upper one, wherever it is.
    BandGroup crossed;
    Band* first = addBand(crossed, 150.0f, 160.0f);
    Band* second = addBand(crossed, 100.0f, 110.0f);
    updateFrame(crossed, 0);
    EXPECT_EQ(first->state, Alive);
    EXPECT_EQ(first->bottomEdgeAt(-1), 170.0f);
    EXPECT_EQ(second->state, Dying);
}

TEST_F(BandGroupTest, HalvesArePushedApartOrTogetherEveryFrame)
{
    BandGroup group;
    Band* upper = addBand(group, 100.0f, 149.5f);  // half a pixel short of touching
    Band* lower = addBand(group, 150.0f, 160.0f);
    group.runClock->addSplitPoints(37);
    group.splitHeld = 1;
    updateFrame(group, 0);  // no column: pushed all the same, 0 points
    EXPECT_EQ(lower->state, Alive);
    EXPECT_EQ(upper->velocity, -1.5f);
    EXPECT_EQ(lower->velocity, 1.5f);
    EXPECT_EQ(upper->bottomEdgeAt(-1), 149.5f);
    EXPECT_EQ(group.runClock->splitPoints, 37);
    updateFrame(group, 0);
    EXPECT_EQ(upper->velocity, -3.0f);
    EXPECT_EQ(lower->velocity, 3.0f);

    group.splitHeld = 0;
    updateFrame(group, 0);
    EXPECT_EQ(upper->velocity, -1.5f);
    EXPECT_EQ(lower->velocity, 1.5f);
    EXPECT_EQ(group.bands.size(), 2u);
}

TEST_F(BandGroupTest, PointsAreTruncatedAfterEveryColumn)
{
    BandGroup group;
    addBand(group, 100.0f, 110.0f);
    addBand(group, 120.0f, 130.7f);
    // dt 0: no push, no motion; every column scores 130.7 - 110 = 20.7.
    updateFrame(group, 2, 0.0f);
    EXPECT_EQ(group.runClock->splitPoints, 40);
    updateFrame(group, 1, 0.0f);
    EXPECT_EQ(group.runClock->splitPoints, 60);
}

TEST_F(BandGroupTest, FramesOfMoreThan100ColumnsWrapTheTrail)
{
    BandGroup group;
    Band* upper = addBand(group, 100.0f, 110.0f, -10.0f);
    Band* lower = addBand(group, 150.0f, 160.0f, 60.0f);
    const int columns = 130;
    updateFrame(group, columns, 0.325f);
    ASSERT_EQ(group.aliveCount(), 2);
    // Positions below -100 name the same samples as those 100 higher.
    int expected = 0;
    for (int i = 0; i < columns; ++i) {
        const int k = -1 - (i % 100);
        const float d = lower->bottomEdgeAt(k) - upper->bottomEdgeAt(k);
        expected = static_cast<int>(static_cast<float>(expected) + d);
    }
    ASSERT_NE(lower->bottomEdgeAt(-1) - upper->bottomEdgeAt(-1),
              lower->bottomEdgeAt(-100) - upper->bottomEdgeAt(-100));
    EXPECT_EQ(group.runClock->splitPoints, expected);
}

TEST_F(BandGroupTest, FinishedBandsLeaveAtTheNextUpdateWithoutSkipping)
{
    BandGroup group;
    // Dying with an empty oldest slot: finished in their first dying column.
    Band* first = addBand(group, 50.0f, 60.0f, 0.0f, Dying);
    Band* second = addBand(group, 170.0f, 180.0f, 0.0f, Dying);
    Band* flying = addBand(group, 110.0f, 130.0f);
    updateFrame(group, 1);
    ASSERT_EQ(group.bands.size(), 3u);
    EXPECT_EQ(first->state, Finished);
    EXPECT_EQ(second->state, Finished);
    EXPECT_EQ(nonEmptySamples(*flying), 2);

    updateFrame(group, 1);
    ASSERT_EQ(group.bands.size(), 1u);
    EXPECT_EQ(group.bands[0], flying);
    EXPECT_EQ(nonEmptySamples(*flying), 3);  // stepped after the removals
}

TEST_F(BandGroupTest, StartDuringASplitLeavesOneFreshBandAndBanksNothing)
{
    BandGroup group;
    group.reset();
    Band* first = group.bands[0];
    group.splitHeld = 1;
    fakeProcessorClock = 1000;
    updateFrame(group, 6);
    updateFrame(group, 6);
    ASSERT_EQ(group.aliveCount(), 2);
    ASSERT_GT(group.runClock->splitPoints, 0);

    fakeProcessorClock = 2000000000;  // a long-running process
    group.reset();
    ASSERT_EQ(group.bands.size(), 1u);
    EXPECT_EQ(group.bands[0], first);
    expectFresh(*first);
    EXPECT_EQ(group.splitHeld, 0);
    EXPECT_EQ(group.runClock->score, 0);
    EXPECT_EQ(group.runClock->splitPoints, 0);
    EXPECT_EQ(group.runClock->splitStart, 0);
    EXPECT_EQ(group.runClock->longestSplitSeconds, 0.0);

    for (int frame = 0; frame < 5; ++frame) {
        updateFrame(group, 6);
        ASSERT_EQ(group.bands.size(), 1u) << frame;
        EXPECT_EQ(first->state, Alive);
        EXPECT_EQ(first->bottomEdgeAt(-1) - first->topEdgeAt(-1), 20.0f);
        EXPECT_EQ(group.longestSplitSeconds(), 0.0);
        EXPECT_EQ(group.score(), 0);
    }
}

TEST_F(BandGroupTest, ResetWithThreeBandsKeepsOneThatCanSplitAgain)
{
    BandGroup group;
    Band* first = addBand(group, 40.0f, 50.0f, 7.0f);
    addBand(group, 60.0f, 70.0f, 0.0f, Dying);
    addBand(group, 150.0f, 160.0f);
    group.reset();
    ASSERT_EQ(group.bands.size(), 1u);
    EXPECT_EQ(group.bands[0], first);
    expectFresh(*first);

    updateFrame(group, 6);
    updateFrame(group, 6);
    ASSERT_EQ(group.bands.size(), 1u);
    group.splitHeld = 1;
    updateFrame(group, 6);
    EXPECT_EQ(group.aliveCount(), 2);
}

}  // namespace
