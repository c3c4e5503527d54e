/* The script player, game_script.so, preloaded into the unmodified game (its
 * use is described in game_script.c), and the scripted platform
 * (platform/scripted/), which shares its script and its checks. Each part
 * does one job: game_script.c (the preload) and platform/scripted/main.cpp
 * the frame, its clocks and its input; script.c the script file;
 * soak_input.c the soak's random input (scripted platform only); kept.c what
 * the game keeps for the whole run; fail_on_purpose.c start-up failures (the
 * preload only). */
#ifndef VLIM_TESTS_GAME_SHIM_H
#define VLIM_TESTS_GAME_SHIM_H

#include <SDL.h>

/* Virtual time: each presented frame lasts the game's 15 ms frame period
 * and 2000 microseconds of processor time (CLOCKS_PER_SEC is 10^6). */
enum { VIRTUAL_FRAME_MS = 15, VIRTUAL_CPU_MICROS_PER_FRAME = 2000 };

/* How the script player ends a game it cannot go on with, in one place so
 * that no two share a number; the harness reads these and the virtual time
 * through game_constants. */
enum {
    SHIM_STATUS_LEAK = 96,          /* the game keeps more fonts or texts than it may */
    SHIM_STATUS_OVERRUN = 97,       /* still running long after the script's or the soak's end */
    SHIM_STATUS_BAD_SCRIPT = 98,    /* a script that cannot be played, or no SDL call to wrap */
    SHIM_STATUS_NO_TIMES_FILE = 99, /* the file of VLIM_FLIP_TIMES cannot be mapped */
};

/* The definition of name that the preload stands in front of; ends the game
 * with SHIM_STATUS_BAD_SCRIPT when there is none. REAL(name) looks it up
 * once, as real_name. */
void* realFunction(const char* name);
#define REAL(name)                        \
    static __typeof__(&name) real_##name; \
    if (!real_##name)                     \
    real_##name = (__typeof__(&name))realFunction(#name)

/* Moves the clock that SDL_GetTicks shows the game by ms, forward or back,
 * in virtual and in real time alike. */
void stepClock(long ms);

/* Frames the game has presented so far. */
extern unsigned long framesFlipped;

/* Reads the script file at path; a script that cannot be played ends the
 * game with SHIM_STATUS_BAD_SCRIPT. */
void scriptRead(const char* path);
/* Pushes the events due after the frames flipped so far onto SDL's queue. */
void scriptPushEvents(void);
/* At the flip of frame framesFlipped: takes its snapshots of screen and
 * tells whether to pause once it is shown; a game still running long after
 * the script's end is ended with SHIM_STATUS_OVERRUN. */
int scriptFrameDone(SDL_Surface* screen);

/* Plans `frames` frames of random input drawn from seed, then a quit. */
void soakStart(unsigned long long seed, unsigned long frames);
/* The build's joystick table, as the game reads it: its steering buttons,
 * its first split button, Start, Select, and its steering axis (-1: none).
 * Call before soakStart. */
void soakUseButtons(const int* steering, int steeringCount, int split, int start, int select, int stickAxis);
/* Pushes what the current frame still has to deliver, as far as SDL's queue
 * takes it; called at every poll, so a flood larger than the queue goes in
 * as the game drains it, within the same frame. */
void soakPushEvents(void);
/* At the flip of frame framesFlipped: samples memory, prints the summary
 * after the last frame and plans the next one; returns its length in
 * virtual milliseconds. */
Uint32 soakFrameDone(void);

/* Ends the game with SHIM_STATUS_LEAK when more rendered texts are alive
 * than it keeps. */
void checkKeptTexts(void);
unsigned long textsRenderedSoFar(void);

#endif
