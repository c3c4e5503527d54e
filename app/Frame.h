// The game's frame and its loop, on whatever platform the build links
// (platform/Platform.h). The platform's start-up calls runFrames; everything
// that measures or tests a frame calls playFrame, so they all run the game's
// own frame.
#pragma once

struct Screen;
struct DisplayState;

// dt in seconds since the last frame. Applies the queued input and advances
// the world, draws the cave and the bands, then the in-run display while a
// band is alive or else the title screen, which raises and saves the record
// first. Call after clearScreen.
void playFrame(DisplayState& display, Screen* screen, float dt);

// Plays frames 15 ms apart until a quit input: each is cleared, timed,
// played, waited for until its slot of the schedule, and presented.
void runFrames(DisplayState& display, Screen* screen);
