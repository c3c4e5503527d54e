/* Seeded random input for the soak test, played through game_script (the
 * preloaded shim) when VLIM_RANDOM_SEED is set. game_script calls these
 * from its wrappers; everything else about the soak lives in soak_input.c. */
#ifndef VLIM_TESTS_SOAK_INPUT_H
#define VLIM_TESTS_SOAK_INPUT_H

#include <SDL.h>

/* Plans `frames` frames of random input drawn from `seed`; after the last
 * one the game is asked to quit. */
void soakStart(unsigned long long seed, unsigned long frames);

/* Pushes onto SDL's queue what the current frame still has to deliver, as
 * far as the queue takes it. Called at every SDL_PollEvent, so a flood larger
 * than the queue goes in as the game drains it, all within the same frame. */
void soakPushEvents(void);

/* Called at every flip, once `frame` frames have been presented, with the
 * number of texts the game has rendered so far: samples memory, prints the
 * summary after the last frame and plans the next frame's input. Returns the
 * next frame's length in virtual milliseconds. */
Uint32 soakFrameDone(unsigned long frame, unsigned long textsRendered);

#endif
