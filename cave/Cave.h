// The cave: a ring of wall columns computed from a closed formula of the
// running column number, scrolled right to left at 400 columns per second.
#pragma once

#include <cstdint>

#include "world/Screen.h"

struct Screen;

// Column number n, as a float f, has its ceiling at
//   trunc(cos(f / CEILING_COLUMNS_PER_RADIAN) * WALL_AMPLITUDE) + CEILING_MIDLINE
// and its floor at the same with sin, FLOOR_COLUMNS_PER_RADIAN and
// FLOOR_MIDLINE. So top runs between 30 and 110, bottom between 140 and 220.
const float CEILING_COLUMNS_PER_RADIAN = 200.0f;
const float FLOOR_COLUMNS_PER_RADIAN = 220.0f;
const double WALL_AMPLITUDE = 40.0;  // rows either side of the midline
const int CEILING_MIDLINE = 70;      // row
const int FLOOR_MIDLINE = 180;       // row
const float COLUMN_PERIOD = 0.0025f; // seconds per column: 400 columns a second
const uint8_t WALL_COLOUR[3] = {17, 136, 102};

// Cave columns generated in the current frame. Written by Cave::advance (reset
// to 0 at its start); read by Band::step and BandGroup::update, which keep the
// bands' trails in step with the walls.
extern int columnsThisFrame;

struct Cave {
    static const int COLUMNS = SCREEN_WIDTH;  // one per screen column

    int top[COLUMNS];        // ceiling of each stored column: rows 0 .. top-1
    int bottom[COLUMNS];     // floor of each stored column: rows bottom .. 239
    int64_t columnCounter;   // columns generated since init; slot = n mod 320
                             // (64 bits: 32 would overflow after 62 days)
    float columnPeriod;      // seconds per column: COLUMN_PERIOD
    float accumulator;       // seconds carried over, not yet a column

    // Fills the ring with columns 0..319; columnCounter is 320 afterwards.
    void init();
    // Computes column number columnCounter into its slot and counts it.
    void generateColumn();
    // dt in seconds. Generates every column the accumulated time covers and
    // records how many in columnsThisFrame. Call before the bands' update.
    // Time too large to be counted down in columns (from 65,536 s the float
    // no longer changes by a period) ends the loop and is dropped.
    void advance(float dt);
    // Paints the ceiling and floor of all 320 screen columns.
    void draw(Screen* screen) const;
    // Wall heights of the column shown at screen column x (0 = left edge).
    // Any x is taken modulo 320, so -1 is the newest column, like 319.
    int topAt(int x) const;
    int bottomAt(int x) const;

    // The ring slot shown at screen column x.
    int slotAt(int x) const;
};
