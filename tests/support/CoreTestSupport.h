// Shared set-up for the core's tests: an open cave for band steps, an empty
// band group, and bands placed by hand.
#pragma once

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "world/GameWorld.h"

// The frame time of the game's 15 ms frame, as the main loop measures it.
const float FRAME_DT = 0.015f;

// Opens every column of the global cave (ceiling 0, floor 240), so band steps
// never touch a wall unless a test builds one. Undo with restoreGlobalCave().
inline void openGlobalCave()
{
    for (int s = 0; s < Cave::COLUMNS; ++s) {
        gameWorld.cave->top[s] = 0;
        gameWorld.cave->bottom[s] = SCREEN_HEIGHT;
    }
}

inline void restoreGlobalCave()
{
    gameWorld.cave->init();
    columnsThisFrame = 0;
}

// Sets the wall of the column shown at screen column x.
inline void setWall(int x, int top, int bottom)
{
    const int s = gameWorld.cave->slotAt(x);
    gameWorld.cave->top[s] = top;
    gameWorld.cave->bottom[s] = bottom;
}

// A freshly initialised band whose newest sample is top..bottom, appended to
// the group (which owns and deletes it).
inline Band* addBand(BandGroup& group, float top, float bottom, float velocity = 0.0f,
                     BandState state = Alive)
{
    Band* band = new Band();
    band->init();
    band->setTopEdgeAt(-1, top);
    band->setBottomEdgeAt(-1, bottom);
    band->velocity = velocity;
    band->state = state;
    group.bands.push_back(band);
    return band;
}

// Deletes every band and clears the inputs and the run clock: the group as
// the world constructs it.
inline void emptyGroup(BandGroup& group)
{
    for (Band* band : group.bands)
        delete band;
    group.bands.clear();
    group.steer = 0;
    group.splitHeld = 0;
    group.runClock->reset();
}

// Number of samples of the band's trail that are not empty.
inline int nonEmptySamples(const Band& band)
{
    int count = 0;
    for (int p = 0; p < TRAIL_LENGTH; ++p)
        count += band.topEdgeAt(p) != SENTINEL_EMPTY;
    return count;
}
