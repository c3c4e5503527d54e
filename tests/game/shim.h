/* The script player: game_script.so, preloaded (LD_PRELOAD) into the
 * unmodified game. Each part wraps the SDL calls of its own job:
 *   game_script.c      the frame: counts the frames the game presents, keeps
 *                      the virtual clock, feeds the script's or the soak's
 *                      input (the usage is described there)
 *   script.c           the script file: its events, snapshots and pauses
 *   soak_input.c       seeded random input for the soak
 *   kept.c             what the game keeps for the whole run, leak-checked
 *   fail_on_purpose.c  start-up failures on demand
 */
#ifndef VLIM_TESTS_GAME_SHIM_H
#define VLIM_TESTS_GAME_SHIM_H

#include <SDL.h>

#include "shim_constants.h"

/* The definition of name that the preload stands in front of; ends the
 * game with SHIM_STATUS_BAD_SCRIPT when there is none. */
void* realFunction(const char* name);

/* Frames the game has presented so far (its calls of SDL_Flip). */
extern unsigned long framesFlipped;

/* script.c: reads the script file at path, ending the game with
 * SHIM_STATUS_BAD_SCRIPT if it cannot. */
void scriptRead(const char* path);
/* Pushes the events due after the frames flipped so far onto SDL's queue. */
void scriptPushEvents(void);
/* At the flip of frame framesFlipped: takes its snapshots of screen and
 * returns whether to pause once it is shown. Ends a game still running long
 * after the script's last action with SHIM_STATUS_OVERRUN. */
int scriptFrameDone(SDL_Surface* screen);

/* soak_input.c: plans `frames` frames of random input drawn from seed;
 * after the last one the game is asked to quit. */
void soakStart(unsigned long long seed, unsigned long frames);
/* Pushes onto SDL's queue what the current frame still has to deliver, as
 * far as the queue takes it; called at every poll, so a flood larger than
 * the queue goes in as the game drains it, within the same frame. */
void soakPushEvents(void);
/* At the flip of frame framesFlipped: samples memory, prints the summary
 * after the last frame and plans the next frame's input. Returns the next
 * frame's length in virtual milliseconds. */
Uint32 soakFrameDone(void);

/* kept.c: ends the game with SHIM_STATUS_LEAK when more rendered texts are
 * alive than it keeps. */
void checkKeptTexts(void);
/* Texts the game has rendered so far. */
unsigned long textsRenderedSoFar(void);

#endif
