// A band: the craft the player flies. It moves only up and down and leaves a
// trail of its last 100 positions, one per cave column, drawn on screen
// columns 0..99 with its newest position on column 99.
#pragma once

#include <cstdint>

struct Screen;
struct BandGroup;
struct GameWorld;

enum BandState : int32_t {
    Alive = 0,     // appends one sample per cave column, tested against the walls
    Dying = 1,     // appends nothing; erases its oldest sample per cave column
    Finished = 2,  // drained; the group deletes it at its next update
};

const int TRAIL_LENGTH = 100;            // samples per ring; screen columns 0..99
const float SENTINEL_EMPTY = -666.0f;    // edge value of an empty sample
const float START_TOP_EDGE = 110.0f;     // newest sample after init, screen y
const float START_BOTTOM_EDGE = 130.0f;
const float STEER_ACCELERATION = 300.0f; // pixels per second squared
const float MIN_THICKNESS = 1.5f;        // pixels; thinner and alone, it dies
const uint8_t BAND_COLOUR[3] = {17, 102, 255};

struct Band {
    BandState state;
    float topEdge[TRAIL_LENGTH];     // ring of top edges, screen y in pixels
    float bottomEdge[TRAIL_LENGTH];  // ring of bottom edges, screen y in pixels
    int head;                        // slot of the oldest sample, kept mod 100
    float velocity;                  // pixels per second, positive down

    // A fresh alive band: every sample empty but the newest, 110..130, at rest.
    void init();

    // Samples by position relative to the oldest: 0 oldest, 99 newest; any k
    // is reduced modulo 100, so -1 is the newest and -100 the oldest.
    float topEdgeAt(int k) const { return topEdge[slotAt(k)]; }
    float bottomEdgeAt(int k) const { return bottomEdge[slotAt(k)]; }
    void setTopEdgeAt(int k, float value) { topEdge[slotAt(k)] = value; }
    void setBottomEdgeAt(int k, float value) { bottomEdge[slotAt(k)] = value; }

    // dt in seconds. Call once per frame after Cave::advance: moves the band
    // under the group's steering, appends (or, dying, erases) one sample per
    // column of this frame and tests each appended sample against the walls.
    void step(float dt, BandGroup& group);

    // Paints every non-empty sample of the trail, whatever the state.
    void draw(Screen* screen) const;

    int slotAt(int k) const;
};

// True when the band's newest sample touches the ceiling or the floor of the
// world's cave at the given screen column (equality counts as a touch).
bool hitsWall(const GameWorld& world, const Band& band, int column);
