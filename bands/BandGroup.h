// The player's bands, the steering and split inputs, and the run clock.
// Holding split divides the single band; the halves are pushed apart while it
// is held, pulled together when released, and merge when they touch.
#pragma once

#include <cstdint>
#include <vector>

#include "bands/Band.h"
#include "bands/RunClock.h"

struct Screen;

// Pixels per second squared on each half of a split: apart while the split
// input is held, together once it is released.
const float PUSH_ACCELERATION = 100.0f;

struct BandGroup {
    // In append order. With two alive bands the first alive one is the upper
    // half: a split appends the lower half and a merge keeps the upper.
    std::vector<Band*> bands;
    int steer;               // -1 per held up input, +1 per held down input
    uint8_t splitHeld;       // 1 while the split input is held
    RunClock* runClock;      // owned, never replaced

    BandGroup();
    ~BandGroup();
    BandGroup(const BandGroup&) = delete;
    BandGroup& operator=(const BandGroup&) = delete;

    // Starts a run: exactly one band, fresh and alive; split released; the run
    // clock zeroed. Steering is kept.
    void reset();
    // dt in seconds; call once per frame right after Cave::advance. Splits,
    // merges or pushes, steps every band, removes finished ones, scores.
    void update(float dt);
    void draw(Screen* screen) const;

    int aliveCount() const;
    int steerSign() const;
    // A half hit a wall: the split input must be pressed again and the split's
    // points are dropped.
    void abandonSplit();
    int32_t score() const { return runClock->score; }
    double longestSplitSeconds() const { return runClock->longestSplitSeconds; }
};
