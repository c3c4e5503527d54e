// The whole simulation state as 64-bit digests, and a seeded run of the
// simulation under random play that reports them. The game's arithmetic is
// exact to the bit, so the same seed must give the same digests on every
// build of it: x86-64, ARM and WebAssembly alike.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/sdl/SdlInput.h"

struct Cave;
struct BandGroup;
struct RunClock;
struct GameWorld;

// FNV-1a over values written in a fixed width and byte order: the digest
// depends on the values alone, not on a platform's struct layout, padding or
// word size. Floats go in as their bits, so -0.0 and 0.0 differ.
class StateHash {
public:
    void u8(uint8_t v) { byte(v); }
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void u64(uint64_t v);
    void f32(float v);
    void f64(double v);
    uint64_t value() const { return h_; }

private:
    void byte(uint8_t b);
    uint64_t h_ = 14695981039346656037ull;
};

// Ring of columns, column counter, period and accumulator.
uint64_t caveDigest(const Cave& cave);
// Every band in array order (state, both rings slot by slot, head, velocity),
// then steer and splitHeld. The run clock is digested on its own.
uint64_t bandsDigest(const BandGroup& group);
// Score, split points, split start and longest split. The split start is
// taken modulo 2^32: the game only ever uses differences of clock readings,
// and the handheld's clock_t is 32 bits wide.
uint64_t runClockDigest(const RunClock& clock);
// All of the above, plus columnsThisFrame, the world's quit flag and the
// steering inputs held: for the global world, those the seeded run's feed
// holds (globalWorldHeld), in one 16-bit mask as the digest has always had
// them (GP2X button b at bit b, the Up and Down keys at bits 8 and 9), so
// that the committed expected output stands.
uint64_t worldDigest(const GameWorld& world);
// The inputs held in the global world, as the SDL platform counts them.
HeldInputs& globalWorldHeld();

// What a seeded run did, so a test can see that it went through every rule
// of the game rather than idling on the title screen.
struct SimulationStats {
    int frames = 0;
    int runsStarted = 0;        // start inputs (Return or the Start button)
    int runsEnded = 0;          // frames in which the last alive band was lost
    int splits = 0;             // one alive band became two
    int merges = 0;             // two alive bands touched and merged
    int halvesLost = 0;         // two alive bands became one without a merge
    int framesWithoutColumns = 0;
    int framesOver100Columns = 0;  // longer than a band's trail
    int maxColumnsInFrame = 0;
    int framesClockPast2To31 = 0;  // frames whose clock reading a 32-bit clock_t wraps
    int mergesAcross2To31 = 0;     // banked splits that began before that point, ended after
    int32_t bestScore = 0;
    double longestSplit = 0.0;
};

struct Checkpoint {
    int frame = 0;
    // The world digest of every frame so far, chained: a difference in any
    // frame shows in every later checkpoint, also where the run that had it
    // was reset before the checkpoint.
    uint64_t history = 0;
    uint64_t world = 0;  // the world as it is at this frame
    uint64_t cave = 0;
    uint64_t bands = 0;
    uint64_t clock = 0;
    int32_t score = 0;
    double longestSplit = 0.0;  // seconds
    int aliveBands = 0;
    // The newest top and bottom edge of the first and the last alive band
    // (the upper and the lower half when split); 0 when none is alive.
    float headEdges[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    // Ceiling and floor at screen columns 0, 99 (the bands' head) and 319.
    int walls[6] = {0, 0, 0, 0, 0, 0};
    int64_t columnCounter = 0;
};

// Puts the global game world back into the state its construction leaves:
// a fresh cave, no band, no input held, the run clock zeroed.
void resetGlobalWorld();

// Resets the global world, then plays `frames` frames of seeded random input
// through the input mapping, with frame times drawn from a mix of normal
// frames, jitter, frames too short for a column and stalls of up to 3 s, and
// a processor clock advanced by a drawn amount per frame, starting 22.5 s
// of processor time before 2^31 microseconds. A checkpoint is taken after every
// `every` frames. Uses the global world and the test processor clock.
// afterFrame, if given, is called after each frame's update, before the
// frame's state is digested (tests use it to disturb a run).
std::vector<Checkpoint> runSeededSimulation(uint64_t seed, int frames, int every,
                                            SimulationStats* stats = nullptr,
                                            const std::function<void(int frame)>& afterFrame = nullptr);

// "frame 1000 score 12 longest 0.73499999999999999 alive 1 head 101.5 119.5
//  101.5 119.5 walls 40 190 52 201 66 212 columns 7040 history <16 hex>
//  world <16 hex>", one line, no newline: the figures in plain numbers, each
// float and double with as many digits as tell it from its neighbours, so a
// difference says what moved; the digests for all the rest.
std::string formatCheckpoint(const Checkpoint& checkpoint);
// "stats frames 10000 runs 12 ...", one line, no newline; the longest split
// is printed as the bits of the double, so it too compares exactly.
std::string formatStats(const SimulationStats& stats);
