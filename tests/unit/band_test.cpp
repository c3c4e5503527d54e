// The band: trail positions, motion under steering, wall test, life cycle and
// drawing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "bands/Band.h"
#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/TestSurface.h"
#include "world/GameWorld.h"

namespace {

class BandTest : public ::testing::Test {
protected:
    void SetUp() override { openGlobalCave(); }
    void TearDown() override { restoreGlobalCave(); }

    static void stepFrame(Band& band, BandGroup& group, int columns, float dt = FRAME_DT)
    {
        columnsThisFrame = columns;
        band.step(dt, group);
    }
};

TEST_F(BandTest, InitAndRelativePositions)
{
    Band band;
    band.init();
    EXPECT_EQ(band.state, Alive);
    EXPECT_EQ(band.velocity, 0.0f);
    EXPECT_EQ(band.topEdgeAt(-1), 110.0f);
    EXPECT_EQ(band.bottomEdgeAt(-1), 130.0f);
    EXPECT_EQ(band.topEdgeAt(99), 110.0f);
    for (int p = 0; p < 99; ++p) {
        EXPECT_EQ(band.topEdgeAt(p), SENTINEL_EMPTY) << p;
        EXPECT_EQ(band.bottomEdgeAt(p), SENTINEL_EMPTY) << p;
    }

    // Every slot distinct, the oldest in slot 37.
    band.head = 37;
    for (int s = 0; s < TRAIL_LENGTH; ++s) {
        band.topEdge[s] = static_cast<float>(s);
        band.bottomEdge[s] = static_cast<float>(s + 1000);
    }
    for (int p = 0; p < TRAIL_LENGTH; ++p) {
        const float slot = static_cast<float>((37 + p) % 100);
        EXPECT_EQ(band.topEdgeAt(p), slot);
        EXPECT_EQ(band.topEdgeAt(p - 100), slot);
        EXPECT_EQ(band.bottomEdgeAt(p - 100), slot + 1000.0f);
    }
    EXPECT_EQ(band.topEdgeAt(-1), 36.0f);
    EXPECT_EQ(band.topEdgeAt(-2), 35.0f);
    EXPECT_EQ(band.topEdgeAt(1000005), 42.0f);
    EXPECT_EQ(band.topEdgeAt(-1000001), 36.0f);
    EXPECT_EQ(band.topEdgeAt(INT_MAX), 84.0f);   // INT_MAX mod 100 = 47
    EXPECT_EQ(band.topEdgeAt(INT_MIN), 89.0f);   // INT_MIN mod 100 = 52

    band.setTopEdgeAt(-2, 7.5f);
    band.setBottomEdgeAt(100, 8.5f);
    EXPECT_EQ(band.topEdge[35], 7.5f);
    EXPECT_EQ(band.bottomEdge[37], 8.5f);
    EXPECT_EQ(band.head, 37);
    EXPECT_EQ(band.state, Alive);
}

TEST_F(BandTest, FrameWithoutColumnsLeavesEveryBitAlone)
{
    BandGroup group;
    group.steer = 1;
    Band band;
    band.init();
    band.velocity = 12.5f;
    stepFrame(band, group, 3);
    Band before;
    std::memcpy(&before, &band, sizeof band);
    for (int columns : {0, -3}) {
        stepFrame(band, group, columns);
        EXPECT_EQ(std::memcmp(&before, &band, sizeof band), 0) << columns;
    }
}

TEST_F(BandTest, SteeringFromRestMovesByTheExactDisplacement)
{
    const float d = 0.03374999761581421f;
    for (int s : {1, -1}) {
        BandGroup group;
        group.steer = s;
        Band band;
        band.init();
        stepFrame(band, group, 6);
        EXPECT_EQ(band.velocity, 4.5f * static_cast<float>(s));
        // Each sample lies d/6 beyond the one before it, in float arithmetic.
        const float perColumn = (static_cast<float>(s) * d) / 6.0f;
        float top = 110.0f;
        float bottom = 130.0f;
        EXPECT_EQ(band.topEdgeAt(-7), top);
        for (int k = -6; k <= -1; ++k) {
            top = perColumn + top;
            bottom = perColumn + bottom;
            EXPECT_EQ(band.topEdgeAt(k), top) << "s " << s << " k " << k;
            EXPECT_EQ(band.bottomEdgeAt(k), bottom) << "s " << s << " k " << k;
        }
        EXPECT_NEAR(band.topEdgeAt(-1), 110.0 + s * 0.03374, 5e-6);

        // Second frame: v*dt in float plus the same acceleration term.
        const double accelTerm = ((static_cast<double>(FRAME_DT) * 0.5) * static_cast<double>(FRAME_DT)) *
                                 static_cast<double>(STEER_ACCELERATION);
        const float d2 = static_cast<float>(static_cast<double>(4.5f * FRAME_DT) + accelTerm);
        EXPECT_NEAR(d2, 0.10125, 1e-7);
        const float perColumn2 = (static_cast<float>(s) * d2) / 6.0f;
        stepFrame(band, group, 6);
        EXPECT_EQ(band.velocity, 9.0f * static_cast<float>(s));
        for (int k = -6; k <= -1; ++k) {
            top = perColumn2 + top;
            EXPECT_EQ(band.topEdgeAt(k), top) << "second frame, s " << s << " k " << k;
        }
    }
}

TEST_F(BandTest, DisplacementRoundsOnceFromDouble)
{
    // d = 4.5 * 0.009 + 150 * 0.009^2 = 0.05265: with v*dt in float and the
    // rest in double this rounds to 0.0526500009; a float sum or a float
    // acceleration term gives 0.0526499972. Near 0 the sample shows every bit.
    BandGroup group;
    group.steer = 1;
    Band band;
    band.init();
    band.setTopEdgeAt(-1, 0.0f);
    band.setBottomEdgeAt(-1, 20.0f);
    band.velocity = 4.5f;
    stepFrame(band, group, 1, 0.009f);
    EXPECT_EQ(band.topEdgeAt(-1), 0.0526500009f);
}

TEST_F(BandTest, WithoutSteeringTheVelocityIsKept)
{
    BandGroup group;  // up and down held together: the counter is 0
    group.steer = 0;
    Band band;
    band.init();
    stepFrame(band, group, 6);
    EXPECT_EQ(band.velocity, 0.0f);
    for (int k = -7; k <= -1; ++k) {
        EXPECT_EQ(band.topEdgeAt(k), 110.0f);
        EXPECT_EQ(band.bottomEdgeAt(k), 130.0f);
    }
    band.velocity = -20.0f;
    stepFrame(band, group, 6);
    EXPECT_EQ(band.velocity, -20.0f);
    EXPECT_NEAR(band.topEdgeAt(-1), 110.0f - 0.3f, 1e-4);
}

TEST_F(BandTest, FrameSamplesAreTestedAgainstColumns94To99InOrder)
{
    BandGroup group;
    group.splitHeld = 1;
    group.runClock->addSplitPoints(500);
    Band band;
    band.init();
    stepFrame(band, group, 99);  // a full trail at rest
    ASSERT_EQ(band.state, Alive);
    ASSERT_EQ(nonEmptySamples(band), 100);

    setWall(96, 111, 240);  // only the third sample, about 110.45, reaches it
    band.velocity = 60.0f;  // 0.9 pixel over the frame, 0.15 per column
    stepFrame(band, group, 6);

    const float perColumn = (60.0f * FRAME_DT) / 6.0f;
    const float first = perColumn + 110.0f;
    const float second = perColumn + first;
    const float third = perColumn + second;
    EXPECT_EQ(band.state, Dying);
    EXPECT_EQ(group.splitHeld, 0);  // the split was abandoned
    EXPECT_EQ(group.runClock->splitPoints, 0);
    // Three appended, the third hit; the other three columns erased the
    // oldest samples, so the sample that hit stands on column 96.
    EXPECT_EQ(band.topEdgeAt(93), 110.0f);
    EXPECT_EQ(band.topEdgeAt(94), first);
    EXPECT_EQ(band.topEdgeAt(95), second);
    EXPECT_EQ(band.topEdgeAt(96), third);
    for (int p = 97; p < 100; ++p)
        EXPECT_EQ(band.topEdgeAt(p), SENTINEL_EMPTY) << p;
    EXPECT_EQ(nonEmptySamples(band), 97);
}

TEST_F(BandTest, TouchingAWallCountsAsAHit)
{
    setWall(42, 50, 200);
    Band band;
    band.init();
    band.setTopEdgeAt(-1, 50.0f);
    band.setBottomEdgeAt(-1, 100.0f);
    EXPECT_TRUE(hitsWall(gameWorld, band, 42));
    EXPECT_TRUE(hitsWall(gameWorld, band, 42 - 320));
    EXPECT_FALSE(hitsWall(gameWorld, band, 43));
    band.setTopEdgeAt(-1, 50.5f);
    EXPECT_FALSE(hitsWall(gameWorld, band, 42));
    band.setBottomEdgeAt(-1, 200.0f);
    EXPECT_TRUE(hitsWall(gameWorld, band, 42));
    band.setBottomEdgeAt(-1, 199.5f);
    EXPECT_FALSE(hitsWall(gameWorld, band, 42));
    band.setTopEdgeAt(-2, 10.0f);  // only the newest sample is tested
    band.setBottomEdgeAt(-2, 230.0f);
    EXPECT_FALSE(hitsWall(gameWorld, band, 42));
}

TEST_F(BandTest, DyingBandDrainsThenFinishes)
{
    BandGroup group;  // no alive band in it: the thickness rule stays out
    Band band;
    band.init();
    stepFrame(band, group, 99);
    band.state = Dying;
    stepFrame(band, group, 40);
    EXPECT_EQ(band.state, Dying);
    for (int p = 0; p < TRAIL_LENGTH; ++p)  // the trail scrolls off to the left
        EXPECT_EQ(band.topEdgeAt(p) == SENTINEL_EMPTY, p >= 60) << p;
    stepFrame(band, group, 60);
    EXPECT_EQ(band.state, Dying);
    EXPECT_EQ(nonEmptySamples(band), 0);
    EXPECT_EQ(band.bottomEdgeAt(-1), SENTINEL_EMPTY);
    stepFrame(band, group, 1);  // the 101st dying column
    EXPECT_EQ(band.state, Finished);

    // An oldest slot still empty: finished in the first dying column, and the
    // head stops there; the samples remain to be drawn.
    Band young;
    young.init();
    stepFrame(young, group, 5);
    young.state = Dying;
    const int head = young.head;
    stepFrame(young, group, 3);
    EXPECT_EQ(young.state, Finished);
    EXPECT_EQ((young.head - head + 100) % 100, 1);
    EXPECT_EQ(nonEmptySamples(young), 6);
}

TEST_F(BandTest, FinishedBandGoesBackToDyingBesideOneAliveBand)
{
    BandGroup group;
    addBand(group, 110.0f, 130.0f);  // one alive band in the group
    Band band;
    band.init();
    band.state = Dying;
    stepFrame(band, group, 3);
    // Finished in the first column; then its newest sample is empty (thickness
    // 0) with exactly one band alive, so each later column makes it dying
    // again and moves the head on.
    EXPECT_EQ(band.state, Finished);
    EXPECT_EQ(band.head, 3);
}

TEST_F(BandTest, ThinBandDiesOnlyAsTheOnlyAliveBand)
{
    BandGroup group;
    Band* thin = addBand(group, 110.0f, 111.4f);
    Band* other = addBand(group, 150.0f, 170.0f);
    group.splitHeld = 1;
    stepFrame(*thin, group, 99);  // two alive: it keeps flying
    EXPECT_EQ(thin->state, Alive);
    EXPECT_EQ(nonEmptySamples(*thin), 100);
    EXPECT_EQ(thin->bottomEdgeAt(-1), 111.4f);

    other->state = Dying;
    stepFrame(*thin, group, 1);
    EXPECT_EQ(thin->state, Dying);
    // Nothing appended: the column erased the oldest sample instead.
    EXPECT_EQ(thin->topEdgeAt(99), SENTINEL_EMPTY);
    EXPECT_EQ(thin->topEdgeAt(98), 110.0f);
    EXPECT_EQ(thin->bottomEdgeAt(98), 111.4f);
    EXPECT_EQ(group.splitHeld, 1);  // no abandonSplit for thinning

    // Exactly 1.5 is not thinner than 1.5.
    Band* edge = addBand(group, 110.0f, 111.5f);
    other->state = Finished;
    thin->state = Finished;
    stepFrame(*edge, group, 6);
    EXPECT_EQ(edge->state, Alive);
    EXPECT_EQ(nonEmptySamples(*edge), 7);
}

class BandDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        surface = makeTestSurface();
        ASSERT_NE(surface, nullptr);
        blue = storedColour(surface, BAND_COLOUR);
        band.init();
    }
    void TearDown() override { SDL_FreeSurface(surface); }

    // Redraws the band on a black surface; true when column x is blue exactly
    // in rows first..last and nothing else on the surface is blue.
    ::testing::AssertionResult drawsOnly(int x, int first, int last)
    {
        SDL_FillRect(surface, nullptr, 0);
        band.draw(screenOf(surface));
        for (int y = 0; y < SCREEN_HEIGHT; ++y)
            if ((pixelAt(surface, x, y) == blue) != (y >= first && y <= last))
                return ::testing::AssertionFailure() << "row " << y;
        const int total = countAll(surface, blue);
        if (total != last - first + 1)
            return ::testing::AssertionFailure() << total << " blue pixels";
        return ::testing::AssertionSuccess();
    }

    SDL_Surface* surface = nullptr;
    RgbPixel blue{};
    Band band;
};

TEST_F(BandDrawTest, SamplesAreTruncatedSeparately)
{
    EXPECT_TRUE(drawsOnly(99, 110, 129));
    band.setTopEdgeAt(-1, 110.7f);
    band.setBottomEdgeAt(-1, 130.2f);
    EXPECT_TRUE(drawsOnly(99, 110, 128));
    band.setTopEdgeAt(-1, -3.7f);  // y -3, height 13: rows 0..9 stay on screen
    band.setBottomEdgeAt(-1, 10.0f);
    EXPECT_TRUE(drawsOnly(99, 0, 9));
}

TEST_F(BandDrawTest, EverySampleOnItsColumnWhateverTheState)
{
    band.setTopEdgeAt(-1, SENTINEL_EMPTY);
    band.setTopEdgeAt(0, 50.0f);
    band.setBottomEdgeAt(0, 60.0f);
    band.state = Finished;
    EXPECT_TRUE(drawsOnly(0, 50, 59));
    band.setTopEdgeAt(0, SENTINEL_EMPTY);
    band.setTopEdgeAt(37, 200.0f);
    band.setBottomEdgeAt(37, 203.0f);
    band.state = Dying;
    EXPECT_TRUE(drawsOnly(37, 200, 202));
}

}  // namespace
