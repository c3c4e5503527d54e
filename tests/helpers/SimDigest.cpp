// State digests and the seeded random run behind sim_digest.
#include "tests/helpers/SimDigest.h"

#include <SDL.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/FakeProcessorClock.h"
#include "tests/support/events.h"
#include "world/GameWorld.h"
#include "world/Input.h"

void StateHash::byte(uint8_t b)
{
    h_ ^= b;
    h_ *= 1099511628211ull;
}

void StateHash::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        byte(static_cast<uint8_t>(v >> (8 * i)));
}

void StateHash::u64(uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        byte(static_cast<uint8_t>(v >> (8 * i)));
}

void StateHash::f32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void StateHash::f64(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u64(bits);
}

uint64_t caveDigest(const Cave& cave)
{
    StateHash h;
    for (int s = 0; s < Cave::COLUMNS; ++s) {
        h.i32(cave.top[s]);
        h.i32(cave.bottom[s]);
    }
    h.u64(static_cast<uint64_t>(cave.columnCounter));
    h.f32(cave.columnPeriod);
    h.f32(cave.accumulator);
    return h.value();
}

uint64_t bandsDigest(const BandGroup& group)
{
    StateHash h;
    h.u32(static_cast<uint32_t>(group.bands.size()));
    for (const Band* band : group.bands) {
        h.i32(static_cast<int32_t>(band->state));
        for (int s = 0; s < TRAIL_LENGTH; ++s) {
            h.f32(band->topEdge[s]);
            h.f32(band->bottomEdge[s]);
        }
        h.i32(band->head);
        h.f32(band->velocity);
    }
    h.i32(group.steer);
    h.u8(group.splitHeld);
    return h.value();
}

uint64_t runClockDigest(const RunClock& clock)
{
    StateHash h;
    h.i32(clock.score);
    h.i32(clock.splitPoints);
    h.u32(static_cast<uint32_t>(clock.splitStart));
    h.f64(clock.longestSplitSeconds);
    return h.value();
}

namespace {

SdlFeed globalFeed(gameWorld, "gp2x");

uint32_t heldMask(const GameWorld& world)
{
    if (&world != &gameWorld)
        return 0;
    const HeldInputs& held = globalFeed.held;
    const ButtonTable& gp2x = globalFeed.joystick;
    uint32_t mask = 0;
    for (int i = 0; i < gp2x.count; ++i) {
        if ((held.buttons >> i) & 1u)
            mask |= 1u << gp2x.bindings[i].code;
    }
    for (int i = 0; i < KEYBOARD_BUTTONS.count; ++i) {
        if ((held.keys >> i) & 1u)
            mask |= KEYBOARD_BUTTONS.bindings[i].button == GameButton::Up ? 1u << 8 : 1u << 9;
    }
    return mask;
}

}  // namespace

HeldInputs& globalWorldHeld()
{
    return globalFeed.held;
}

uint64_t worldDigest(const GameWorld& world)
{
    StateHash h;
    h.u64(caveDigest(*world.cave));
    h.i32(columnsThisFrame);
    h.u64(bandsDigest(*world.bands));
    h.u64(runClockDigest(*world.bands->runClock));
    h.u8(world.quitRequested);
    h.u32(heldMask(world));
    return h.value();
}

void resetGlobalWorld()
{
    gameWorld.cave->init();
    emptyGroup(*gameWorld.bands);
    gameWorld.quitRequested = 0;
    gameWorld.steeringHeld[0] = gameWorld.steeringHeld[1] = 0;
    globalFeed.held = HeldInputs();
    columnsThisFrame = 0;
}

namespace {

// splitmix64: integer arithmetic only, so every platform draws the same.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 .. n - 1
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
    // lo .. hi inclusive
    int32_t between(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo + 1))); }
    bool oneIn(uint32_t n) { return below(n) == 0; }

private:
    uint64_t state_;
};

// One held input: a key or a joystick button.
struct HeldInput {
    bool isKey;
    int code;  // SDLKey or button number
};

SDL_Event pressOf(const HeldInput& input, bool down)
{
    return input.isKey ? keyEvent(down ? SDL_KEYDOWN : SDL_KEYUP, static_cast<SDLKey>(input.code), KMOD_NONE)
                       : buttonEvent(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, static_cast<Uint8>(input.code), 0);
}

// The GP2X's numbers (platform/sdl/ButtonTables.cpp).
const int GP2X_START = 8, GP2X_B = 13;
const int UP_BUTTONS[] = {0, 1, 7};
const int DOWN_BUTTONS[] = {4, 3, 5};
// Inputs the mapping must ignore.
const SDLKey IDLE_KEYS[] = {SDLK_a, SDLK_c, SDLK_ESCAPE, SDLK_LEFT, SDLK_RIGHT, SDLK_x};
const int IDLE_BUTTONS[] = {2, 6, 10, 11, 12, 14, 15};

// The first and the last alive band of the group: with two alive, the upper
// and the lower half.
void firstAndLastAlive(const BandGroup& group, const Band*& first, const Band*& last)
{
    first = nullptr;
    last = nullptr;
    for (const Band* band : group.bands)
        if (band->state == Alive) {
            if (!first)
                first = band;
            last = band;
        }
}

// A player who mostly steers for the middle of the opening ahead, splits now
// and then, sometimes flails and crashes, and presses start to play again.
// Decisions read the world but use integer arithmetic on truncated values.
class Player {
public:
    explicit Player(Rng& rng) : rng_(rng) {}

    void play(GameWorld& world, std::vector<SDL_Event>& events, SimulationStats& stats)
    {
        const BandGroup& group = *world.bands;
        const int alive = group.aliveCount();

        if (startHeld_) {  // released one frame after the press
            events.push_back(pressOf(start_, false));
            startHeld_ = false;
        }
        if (alive == 0) {
            if (waitBeforeStart_ < 0)
                waitBeforeStart_ = rng_.between(0, 90);  // the dying bands drain meanwhile
            if (waitBeforeStart_-- == 0)
                pressStart(events, stats);
        } else if (rng_.oneIn(2500)) {
            pressStart(events, stats);  // a restart in the middle of a run
        }

        // Split: pressed for a while with one band alive, then released.
        if (splitHeld_) {
            if (--splitFramesLeft_ <= 0 || (alive == 2 && halvesNearTheWalls(world))) {
                events.push_back(pressOf(split_, false));
                splitHeld_ = false;
            }
        } else if (alive == 1 && rng_.oneIn(25)) {
            split_ = rng_.oneIn(2) ? HeldInput{true, SDLK_SPACE} : HeldInput{false, GP2X_B};
            events.push_back(pressOf(split_, true));
            splitHeld_ = true;
            splitFramesLeft_ = rng_.between(3, 45);
        }

        // Steering.
        int want = 0;  // -1 up, +1 down, 0 neither, 2 both at once
        if (wildFramesLeft_ > 0) {
            --wildFramesLeft_;
            if (rng_.oneIn(6))
                wildWant_ = rng_.between(-1, 2);
            want = wildWant_;
        } else {
            if (alive > 0 && rng_.oneIn(700)) {
                wildFramesLeft_ = rng_.between(10, 120);
                wildWant_ = rng_.between(-1, 2);
            }
            want = alive > 0 ? autopilot(world) : 0;
        }
        steerTowards(want, events);

        // Inputs the game must ignore, pressed and released at once.
        if (rng_.oneIn(60)) {
            if (rng_.oneIn(2)) {
                const SDLKey key = IDLE_KEYS[rng_.below(sizeof IDLE_KEYS / sizeof IDLE_KEYS[0])];
                events.push_back(keyEvent(SDL_KEYDOWN, key, KMOD_NONE));
                events.push_back(keyEvent(SDL_KEYUP, key, KMOD_NONE));
            } else {
                const int button = IDLE_BUTTONS[rng_.below(sizeof IDLE_BUTTONS / sizeof IDLE_BUTTONS[0])];
                events.push_back(buttonEvent(SDL_JOYBUTTONDOWN, static_cast<Uint8>(button), 0));
                events.push_back(buttonEvent(SDL_JOYBUTTONUP, static_cast<Uint8>(button), 0));
            }
        }
    }

private:
    void pressStart(std::vector<SDL_Event>& events, SimulationStats& stats)
    {
        start_ = rng_.oneIn(2) ? HeldInput{true, SDLK_RETURN} : HeldInput{false, GP2X_START};
        events.push_back(pressOf(start_, true));
        startHeld_ = true;
        waitBeforeStart_ = -1;
        ++stats.runsStarted;
    }

    // The halves spread over most of the opening: time to let go.
    static bool halvesNearTheWalls(const GameWorld& world)
    {
        const Band* upper = nullptr;
        const Band* lower = nullptr;
        firstAndLastAlive(*world.bands, upper, lower);
        const int spread = static_cast<int>(lower->bottomEdgeAt(-1)) - static_cast<int>(upper->topEdgeAt(-1));
        const int opening = world.cave->bottomAt(99) - world.cave->topAt(99);
        return spread * 2 > opening;
    }

    // Steer for the middle of the opening some columns ahead of the band's
    // head (screen column 99), judging where the band will be soon.
    int autopilot(const GameWorld& world)
    {
        const BandGroup& group = *world.bands;
        const Band* upper = nullptr;
        const Band* lower = nullptr;
        firstAndLastAlive(group, upper, lower);
        const int ahead = 99 + rng_.between(10, 60);
        const int target = (world.cave->topAt(ahead) + world.cave->bottomAt(ahead)) / 2 + rng_.between(-8, 8);
        const int centre = static_cast<int>(upper->topEdgeAt(-1)) / 2 + static_cast<int>(lower->bottomEdgeAt(-1)) / 2;
        const int drift = static_cast<int>(upper->velocity) / 4;  // about a quarter second on
        const int predicted = centre + drift;
        if (predicted < target - 4)
            return 1;
        if (predicted > target + 4)
            return -1;
        return rng_.oneIn(40) ? 2 : 0;  // now and then both, which cancel
    }

    static int countDirection(const std::vector<HeldInput>& held, int direction)
    {
        int count = 0;
        for (const HeldInput& input : held)
            count += directionOf(input) == direction;
        return count;
    }

    static int directionOf(const HeldInput& input)
    {
        if (input.isKey)
            return input.code == SDLK_UP ? -1 : 1;
        for (int b : UP_BUTTONS)
            if (input.code == b)
                return -1;
        return 1;
    }

    HeldInput newSteeringInput(int direction)
    {
        if (rng_.oneIn(2))
            return HeldInput{true, direction < 0 ? SDLK_UP : SDLK_DOWN};
        const int* buttons = direction < 0 ? UP_BUTTONS : DOWN_BUTTONS;
        return HeldInput{false, buttons[rng_.below(3)]};
    }

    // Presses and releases so that up is held iff want is -1 or 2 and down
    // iff want is 1 or 2; sometimes a second input of a held direction joins.
    void steerTowards(int want, std::vector<SDL_Event>& events)
    {
        const bool wantUp = want == -1 || want == 2;
        const bool wantDown = want == 1 || want == 2;
        for (size_t i = 0; i < held_.size();) {
            const int direction = directionOf(held_[i]);
            if ((direction < 0 && !wantUp) || (direction > 0 && !wantDown)) {
                events.push_back(pressOf(held_[i], false));
                held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        for (int direction : {-1, 1}) {
            const bool wanted = direction < 0 ? wantUp : wantDown;
            if (!wanted)
                continue;
            const int count = countDirection(held_, direction);
            if (count == 0 || (count == 1 && rng_.oneIn(80))) {
                const HeldInput input = newSteeringInput(direction);
                bool already = false;
                for (const HeldInput& h : held_)
                    already = already || (h.isKey == input.isKey && h.code == input.code);
                if (already)
                    continue;
                events.push_back(pressOf(input, true));
                held_.push_back(input);
            }
        }
    }

    Rng& rng_;
    std::vector<HeldInput> held_;
    HeldInput start_{true, SDLK_RETURN};
    bool startHeld_ = false;
    int waitBeforeStart_ = 0;
    HeldInput split_{true, SDLK_SPACE};
    bool splitHeld_ = false;
    int splitFramesLeft_ = 0;
    int wildFramesLeft_ = 0;
    int wildWant_ = 0;
};

// A frame time as the main loop could measure it: mostly the 15 ms frame,
// some jitter, frames too short for a column (also 0 ms), and stalls, a few
// longer than a band's trail (over 0.25 s) or a whole screen (over 0.8 s).
float drawFrameTime(Rng& rng)
{
    const uint32_t r = rng.below(1000);
    if (r < 650)
        return 0.015f;
    if (r < 900)
        return static_cast<float>(rng.between(10, 20)) / 1000.0f;
    if (r < 950)
        return static_cast<float>(rng.between(1, 2499)) / 1000000.0f;
    if (r < 965)
        return 0.0f;
    if (r < 994)
        return static_cast<float>(rng.between(21, 249)) / 1000.0f;
    if (r < 999)
        return static_cast<float>(rng.between(250, 800)) / 1000.0f;
    return static_cast<float>(rng.between(801, 3000)) / 1000.0f;
}

Checkpoint takeCheckpoint(int frame, uint64_t history, const GameWorld& world)
{
    Checkpoint c;
    c.frame = frame;
    c.history = history;
    c.world = worldDigest(world);
    c.cave = caveDigest(*world.cave);
    c.bands = bandsDigest(*world.bands);
    c.clock = runClockDigest(*world.bands->runClock);
    c.score = world.bands->score();
    c.longestSplit = world.bands->runClock->longestSplitSeconds;
    c.aliveBands = world.bands->aliveCount();
    const Band* first = nullptr;
    const Band* last = nullptr;
    firstAndLastAlive(*world.bands, first, last);
    if (first) {
        const float edges[4] = {first->topEdgeAt(-1), first->bottomEdgeAt(-1), last->topEdgeAt(-1),
                                last->bottomEdgeAt(-1)};
        std::copy(edges, edges + 4, c.headEdges);
    }
    const int columns[3] = {0, 99, SCREEN_WIDTH - 1};
    for (int i = 0; i < 3; ++i) {
        c.walls[2 * i] = world.cave->topAt(columns[i]);
        c.walls[2 * i + 1] = world.cave->bottomAt(columns[i]);
    }
    c.columnCounter = world.cave->columnCounter;
    return c;
}

// Processor time, microseconds. A 32-bit clock_t turns negative at 2^31, and
// the run clock must still measure a split that spans that point. Starting
// 22.5 s short of it puts that point inside the split that the default
// seed's run banks in frame 4807 (sim_digest_test checks that one does):
// the frames and inputs of a run do not depend on the clock's start.
const int64_t CLOCK_WRAP = int64_t(1) << 31;
const int64_t CLOCK_START = CLOCK_WRAP - 22500000;

}  // namespace

std::vector<Checkpoint> runSeededSimulation(uint64_t seed, int frames, int every, SimulationStats* statsOut,
                                            const std::function<void(int frame)>& afterFrame)
{
    resetGlobalWorld();
    Rng rng(seed);
    Player player(rng);
    SimulationStats stats;
    std::vector<Checkpoint> checkpoints;
    std::vector<SDL_Event> events;
    int64_t processorMicros = CLOCK_START;
    int64_t splitStartMicros = 0;
    uint64_t history = StateHash().value();
    BandGroup& group = *gameWorld.bands;

    for (int frame = 1; frame <= frames; ++frame) {
        const float dt = drawFrameTime(rng);
        processorMicros += rng.between(500, 9000);
        // Converted as clock() would hand it over: a 32-bit clock_t wraps.
        fakeProcessorClock = static_cast<clock_t>(processorMicros);
        stats.framesClockPast2To31 += processorMicros >= CLOCK_WRAP;

        events.clear();
        player.play(gameWorld, events, stats);
        for (const SDL_Event& event : events)
            globalFeed(event);

        // The merge test of the update, read before it runs.
        const int aliveBefore = group.aliveCount();
        bool merging = false;
        if (aliveBefore == 2) {
            const Band* upper = nullptr;
            const Band* lower = nullptr;
            firstAndLastAlive(group, upper, lower);
            merging = upper->bottomEdgeAt(-1) >= lower->topEdgeAt(-1);
        }

        gameWorld.update(dt);

        const int aliveAfter = group.aliveCount();
        if (aliveBefore == 1 && aliveAfter == 2) {
            ++stats.splits;
            splitStartMicros = processorMicros;
        }
        stats.merges += merging;
        stats.mergesAcross2To31 += merging && splitStartMicros < CLOCK_WRAP && processorMicros >= CLOCK_WRAP;
        stats.halvesLost += aliveBefore == 2 && !merging && aliveAfter < 2;
        stats.runsEnded += aliveBefore > 0 && aliveAfter == 0;
        stats.framesWithoutColumns += columnsThisFrame == 0;
        stats.framesOver100Columns += columnsThisFrame > TRAIL_LENGTH;
        if (columnsThisFrame > stats.maxColumnsInFrame)
            stats.maxColumnsInFrame = columnsThisFrame;
        if (group.score() > stats.bestScore)
            stats.bestScore = group.score();
        if (group.longestSplitSeconds() > stats.longestSplit)
            stats.longestSplit = group.longestSplitSeconds();
        ++stats.frames;

        if (afterFrame)
            afterFrame(frame);
        StateHash chain;
        chain.u64(history);
        chain.u64(worldDigest(gameWorld));
        history = chain.value();
        if (every > 0 && frame % every == 0)
            checkpoints.push_back(takeCheckpoint(frame, history, gameWorld));
    }
    if (statsOut)
        *statsOut = stats;
    return checkpoints;
}

std::string formatCheckpoint(const Checkpoint& c)
{
    char line[512];
    const float* e = c.headEdges;
    const int* w = c.walls;
    std::snprintf(line, sizeof line,
                  "frame %d score %" PRId32 " longest %.17g alive %d head %.9g %.9g %.9g %.9g"
                  " walls %d %d %d %d %d %d columns %" PRId64 " history %016" PRIx64 " world %016" PRIx64,
                  c.frame, c.score, c.longestSplit, c.aliveBands, double(e[0]), double(e[1]), double(e[2]),
                  double(e[3]), w[0], w[1], w[2], w[3], w[4], w[5], c.columnCounter, c.history, c.world);
    return line;
}

std::string formatStats(const SimulationStats& s)
{
    uint64_t longestBits;
    std::memcpy(&longestBits, &s.longestSplit, sizeof longestBits);
    char line[512];
    std::snprintf(line, sizeof line,
                  "stats frames %d runs %d ended %d splits %d merges %d lost %d no-column %d over-100 %d"
                  " max-columns %d clock-past-2^31 %d merges-across-2^31 %d best-score %" PRId32
                  " longest-split %016" PRIx64,
                  s.frames, s.runsStarted, s.runsEnded, s.splits, s.merges, s.halvesLost, s.framesWithoutColumns,
                  s.framesOver100Columns, s.maxColumnsInFrame, s.framesClockPast2To31, s.mergesAcross2To31,
                  s.bestScore, longestBits);
    return line;
}
