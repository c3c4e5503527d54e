// One timed frame of the game, as the frame loop runs it between its clear
// and its wait for the next slot. main's loop and everything that measures or
// tests a frame call these, so they all run the game's own frame.
#pragma once

struct SDL_Surface;
struct DisplayState;

// Fills the whole screen with black, as every iteration of the loop begins.
void clearScreen(SDL_Surface* screen);

// dt in seconds since the last frame. Applies the queued input and advances
// the world, draws the cave and the bands, then the in-run display while a
// band is alive or else the title screen, which raises and saves the record
// first. Call after clearScreen.
void playFrame(DisplayState& display, SDL_Surface* screen, float dt);
