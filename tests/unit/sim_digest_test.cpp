// The state digests behind the x86-64/ARM cross-check: every field of the
// simulation must move its digest, and the seeded run must be repeatable and
// must go through every rule of the game, or equal digests would prove little.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/FakeProcessorClock.h"
#include "tests/helpers/SimDigest.h"
#include "world/GameWorld.h"

namespace {

class SimDigestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGlobalWorld();
        fakeProcessorClock = 0;
    }
    void TearDown() override
    {
        resetGlobalWorld();
        fakeProcessorClock = 0;
    }

    // A world with a split in flight: two alive bands, one dying, a running
    // split on the run clock, some cave scrolled.
    static void buildBusyWorld()
    {
        BandGroup& group = *gameWorld.bands;
        gameWorld.cave->advance(0.1f);
        addBand(group, 90.0f, 100.0f, -3.0f, Dying);
        addBand(group, 110.0f, 120.0f, 2.5f);
        addBand(group, 121.0f, 131.0f, 2.5f);
        group.steer = 1;
        group.splitHeld = 1;
        group.runClock->score = 40;
        group.runClock->splitPoints = 123;
        group.runClock->splitStart = 5000;
        group.runClock->longestSplitSeconds = 0.25;
    }

    // Applies a change, checks that the world digest and exactly the part
    // digest named moved, then undoes it and checks all are back.
    static void expectDigestMoves(const char* what, const std::function<void()>& change,
                                  const std::function<void()>& undo, uint64_t (*part)())
    {
        const uint64_t world = worldDigest(gameWorld);
        const uint64_t cave = caveDigest(*gameWorld.cave);
        const uint64_t bands = bandsDigest(*gameWorld.bands);
        const uint64_t clock = runClockDigest(*gameWorld.bands->runClock);
        const uint64_t partBefore = part ? part() : 0;
        change();
        EXPECT_NE(worldDigest(gameWorld), world) << what;
        if (part) {
            EXPECT_NE(part(), partBefore) << what;
        }
        undo();
        EXPECT_EQ(worldDigest(gameWorld), world) << what << " (undone)";
        EXPECT_EQ(caveDigest(*gameWorld.cave), cave) << what << " (undone)";
        EXPECT_EQ(bandsDigest(*gameWorld.bands), bands) << what << " (undone)";
        EXPECT_EQ(runClockDigest(*gameWorld.bands->runClock), clock) << what << " (undone)";
    }

    template <typename T>
    static void expectFieldMoves(const char* what, T& field, T other, uint64_t (*part)())
    {
        const T saved = field;
        ASSERT_NE(std::memcmp(&saved, &other, sizeof(T)), 0) << what << ": pick a different value";
        expectDigestMoves(
            what, [&] { field = other; }, [&] { field = saved; }, part);
    }

    static uint64_t cavePart() { return caveDigest(*gameWorld.cave); }
    static uint64_t bandsPart() { return bandsDigest(*gameWorld.bands); }
    static uint64_t clockPart() { return runClockDigest(*gameWorld.bands->runClock); }
};

TEST_F(SimDigestTest, EveryCaveFieldMovesTheDigest)
{
    buildBusyWorld();
    Cave& cave = *gameWorld.cave;
    for (int s : {0, 1, 160, 319}) {
        expectFieldMoves("cave top", cave.top[s], cave.top[s] + 1, cavePart);
        expectFieldMoves("cave bottom", cave.bottom[s], cave.bottom[s] - 1, cavePart);
    }
    // Swapping two columns keeps the multiset but not the ring.
    expectDigestMoves(
        "cave columns swapped", [&] { std::swap(cave.top[3], cave.top[160]); },
        [&] { std::swap(cave.top[3], cave.top[160]); }, cavePart);
    expectFieldMoves("column counter", cave.columnCounter, cave.columnCounter + 320, cavePart);
    expectFieldMoves("column period", cave.columnPeriod, 0.0025000002f, cavePart);
    expectFieldMoves("accumulator", cave.accumulator, cave.accumulator + 1e-9f, cavePart);
    expectFieldMoves("columnsThisFrame", columnsThisFrame, columnsThisFrame + 1, nullptr);
}

TEST_F(SimDigestTest, EveryBandFieldMovesTheDigest)
{
    buildBusyWorld();
    BandGroup& group = *gameWorld.bands;
    for (Band* band : group.bands) {
        expectFieldMoves("state", band->state, band->state == Alive ? Finished : Alive, bandsPart);
        for (int s : {0, 37, 99}) {
            expectFieldMoves("top edge", band->topEdge[s], band->topEdge[s] + 0.5f, bandsPart);
            expectFieldMoves("bottom edge", band->bottomEdge[s], band->bottomEdge[s] - 0.5f, bandsPart);
        }
        // Only the last bit of the newest sample: a float digested by value.
        float& newest = band->topEdge[band->slotAt(-1)];
        float nudged = newest;
        uint32_t bits;
        std::memcpy(&bits, &nudged, sizeof bits);
        bits ^= 1u;
        std::memcpy(&nudged, &bits, sizeof bits);
        expectFieldMoves("last bit of the newest top edge", newest, nudged, bandsPart);
        expectFieldMoves("head", band->head, (band->head + 1) % TRAIL_LENGTH, bandsPart);
        expectFieldMoves("velocity", band->velocity, band->velocity + 0.25f, bandsPart);
    }
    Band* resting = group.bands[1];
    resting->velocity = 0.0f;
    expectFieldMoves("velocity -0.0 against 0.0", resting->velocity, -0.0f, bandsPart);
    expectFieldMoves("steer", group.steer, -1, bandsPart);
    expectFieldMoves("splitHeld", group.splitHeld, uint8_t(0), bandsPart);
    expectDigestMoves(
        "band order", [&] { std::swap(group.bands[1], group.bands[2]); },
        [&] { std::swap(group.bands[1], group.bands[2]); }, bandsPart);
    Band* last = group.bands.back();
    expectDigestMoves(
        "band count", [&] { group.bands.pop_back(); }, [&] { group.bands.push_back(last); }, bandsPart);
}

TEST_F(SimDigestTest, EveryRunClockFieldMovesTheDigest)
{
    buildBusyWorld();
    RunClock& clock = *gameWorld.bands->runClock;
    expectFieldMoves("score", clock.score, clock.score + 1, clockPart);
    expectFieldMoves("split points", clock.splitPoints, clock.splitPoints - 1, clockPart);
    expectFieldMoves("split start", clock.splitStart, clock_t(clock.splitStart + 1), clockPart);
    expectFieldMoves("longest split", clock.longestSplitSeconds, clock.longestSplitSeconds * (1.0 + 1e-15),
                     clockPart);
    expectFieldMoves("quit flag", gameWorld.quitRequested, uint8_t(1), nullptr);
    expectFieldMoves("steering held", globalWorldHeld().buttons, uint32_t(1), nullptr);
}

TEST_F(SimDigestTest, ResetWorldMatchesAFreshlyConstructedOne)
{
    buildBusyWorld();
    gameWorld.quitRequested = 1;
    globalWorldHeld().buttons = 1;
    gameWorld.steeringHeld[0] = 1;
    resetGlobalWorld();
    Cave fresh;
    fresh.init();
    EXPECT_EQ(caveDigest(*gameWorld.cave), caveDigest(fresh));
    BandGroup empty;
    EXPECT_EQ(bandsDigest(*gameWorld.bands), bandsDigest(empty));
    EXPECT_EQ(runClockDigest(*gameWorld.bands->runClock), runClockDigest(*empty.runClock));
    EXPECT_EQ(gameWorld.quitRequested, 0);
    EXPECT_EQ(globalWorldHeld().buttons, 0u);
    EXPECT_EQ(gameWorld.steeringHeld[0], 0);
    EXPECT_EQ(columnsThisFrame, 0);
}

std::vector<std::string> lines(const std::vector<Checkpoint>& checkpoints)
{
    std::vector<std::string> out;
    for (const Checkpoint& c : checkpoints)
        out.push_back(formatCheckpoint(c));
    return out;
}

TEST_F(SimDigestTest, SameSeedSameDigestsOtherSeedOthers)
{
    SimulationStats first;
    SimulationStats again;
    const auto a = lines(runSeededSimulation(7, 3000, 500, &first));
    const auto b = lines(runSeededSimulation(7, 3000, 500, &again));
    const auto c = lines(runSeededSimulation(8, 3000, 500));
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(formatStats(first), formatStats(again));
    ASSERT_EQ(c.size(), 6u);
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_NE(a[i], c[i]) << "checkpoint " << i;
    // The world keeps changing: no two checkpoints of a run are equal.
    EXPECT_EQ(std::set<std::string>(a.begin(), a.end()).size(), a.size());
}

TEST_F(SimDigestTest, CheckpointsCarryTheirFrameAndTheWorldAsItWas)
{
    const std::vector<Checkpoint> checkpoints = runSeededSimulation(3, 1200, 400);
    ASSERT_EQ(checkpoints.size(), 3u);
    EXPECT_EQ(checkpoints[0].frame, 400);
    EXPECT_EQ(checkpoints[2].frame, 1200);
    // The last checkpoint is the world the run left behind.
    EXPECT_EQ(checkpoints[2].world, worldDigest(gameWorld));
    EXPECT_NE(checkpoints[2].history, checkpoints[1].history);
    EXPECT_EQ(checkpoints[2].cave, caveDigest(*gameWorld.cave));
    EXPECT_EQ(checkpoints[2].bands, bandsDigest(*gameWorld.bands));
    EXPECT_EQ(checkpoints[2].clock, runClockDigest(*gameWorld.bands->runClock));
    EXPECT_EQ(checkpoints[2].score, gameWorld.score());
    EXPECT_EQ(checkpoints[2].columnCounter, gameWorld.cave->columnCounter);
    // A shorter run is the start of the longer one.
    const std::vector<Checkpoint> shorter = runSeededSimulation(3, 800, 400);
    ASSERT_EQ(shorter.size(), 2u);
    EXPECT_EQ(formatCheckpoint(shorter[1]), formatCheckpoint(checkpoints[1]));
}

TEST_F(SimDigestTest, HistoryKeepsADifferenceThatTheWorldForgot)
{
    const std::vector<Checkpoint> plain = runSeededSimulation(5, 1000, 1000);
    // Raised for one frame only: the quit flag steers nothing, so the world
    // at frame 1000 is the same; its history is not.
    const std::vector<Checkpoint> disturbed = runSeededSimulation(5, 1000, 1000, nullptr, [](int frame) {
        if (frame == 500 || frame == 501)
            gameWorld.quitRequested = frame == 500;
    });
    ASSERT_EQ(plain.size(), 1u);
    ASSERT_EQ(disturbed.size(), 1u);
    EXPECT_EQ(disturbed[0].world, plain[0].world);
    EXPECT_NE(disturbed[0].history, plain[0].history);
    EXPECT_NE(plain[0].history, plain[0].world);
}

// sim_digest's own run: 10,000 frames of the default seed. Equal digests on
// two machines say something only if this run went through every rule.
TEST_F(SimDigestTest, TheCrossCheckRunPlaysEveryRuleOfTheGame)
{
    SimulationStats stats;
    const std::vector<Checkpoint> checkpoints = runSeededSimulation(0x766c696d, 10000, 1000, &stats);
    ASSERT_EQ(checkpoints.size(), 10u);
    EXPECT_EQ(stats.frames, 10000);
    EXPECT_GE(stats.runsStarted, 5);
    EXPECT_GE(stats.runsEnded, 3);
    EXPECT_GE(stats.splits, 30);
    EXPECT_GE(stats.merges, 15);
    EXPECT_GE(stats.halvesLost, 2);
    EXPECT_GT(stats.bestScore, 0);
    EXPECT_GT(stats.longestSplit, 0.0);
    EXPECT_GE(stats.framesWithoutColumns, 100);
    EXPECT_GE(stats.framesOver100Columns, 10);
    EXPECT_GT(stats.maxColumnsInFrame, 320);
    // The clock passes 2^31 microseconds in the middle of the run, where a
    // 32-bit clock_t wraps to negative readings, and a banked split spans
    // that point: its duration must come out the same on both sides.
    EXPECT_GT(stats.framesClockPast2To31, 1000);
    EXPECT_LT(stats.framesClockPast2To31, 9000);
    EXPECT_GE(stats.mergesAcross2To31, 1);
}

}  // namespace
