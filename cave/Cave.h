// The cave: a ring of wall columns computed from a closed formula of the
// running column number, scrolled right to left at 400 columns per second.
#pragma once

struct SDL_Surface;

// Cave columns generated in the current frame. Written by Cave::advance (reset
// to 0 at its start); read by Band::step and BandGroup::update, which keep the
// bands' trails in step with the walls.
extern int columnsThisFrame;

struct Cave {
    static const int COLUMNS = 320;           // one per screen column
    static const int SCREEN_HEIGHT = 240;     // rows; the floor runs to 239

    int top[COLUMNS];        // ceiling of each stored column: rows 0 .. top-1
    int bottom[COLUMNS];     // floor of each stored column: rows bottom .. 239
    int columnCounter;       // columns generated since init; slot = n mod 320
    float columnPeriod;      // seconds per column (0.0025: 400 columns/s)
    float accumulator;       // seconds carried over, not yet a column

    // Fills the ring with columns 0..319; columnCounter is 320 afterwards.
    void init();
    // Computes column number columnCounter into its slot and counts it.
    void generateColumn();
    // dt in seconds. Generates every column the accumulated time covers and
    // records how many in columnsThisFrame. Call before the bands' update.
    void advance(float dt);
    // Paints the ceiling and floor of all 320 screen columns.
    void draw(SDL_Surface* surface) const;
    // Wall heights of the column shown at screen column x (0 = left edge).
    // Any x is taken modulo 320, so -1 is the newest column, like 319.
    int topAt(int x) const;
    int bottomAt(int x) const;

    // The ring slot shown at screen column x.
    int slotAt(int x) const;
};
