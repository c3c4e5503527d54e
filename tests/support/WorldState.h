// What a frame changes in the game world, saved and put back, so that
// benchmarks time the same frame over and over on any platform's screen.
#pragma once

#include <cstdint>
#include <vector>

#include "bands/Band.h"
#include "bands/RunClock.h"
#include "cave/Cave.h"

// What a frame changes in the world, so that it can be put back and every
// timed frame does the same work.
struct WorldState {
    Cave cave;
    std::vector<Band> bands;
    RunClock runClock;
    int steer;
    uint8_t splitHeld;
};
WorldState saveWorld();
// The group must hold as many bands as when the state was saved; copies into
// the bands it holds, so nothing is allocated.
void restoreWorld(const WorldState& state);
