/* Scripted input for the real vlim executable, loaded with LD_PRELOAD.
 *
 * The whole-game tests and tools/screenshots drive the unmodified game
 * through it: it counts the frames the game presents (calls of SDL_Flip) and
 * plays a script of input events and snapshots against that count, so a test
 * says "press Return after frame 10" instead of racing a real clock.
 *
 * VLIM_SCRIPT names the script, one action a line, frames in rising order:
 *   <frame> keydown <key> [ctrl|rctrl|shift]   key: return space up down
 *   <frame> keyup <key>                             escape, or a letter/digit
 *   <frame> joydown <button>    <frame> joyup <button>
 *   <frame> quit                (the window's close button)
 *   <frame> snapshot <file.bmp> (the screen of that frame, as flipped)
 *   <frame> pause               (stop with SIGSTOP once that frame is on
 *                                the display, for a look from outside;
 *                                SIGCONT goes on)
 *   <frame> clock <ms>          (from that frame's flip on, SDL_GetTicks
 *                                reads ms more, or less when negative: a
 *                                stall or a clock stepped)
 * Blank lines and lines starting with # are skipped. An event of frame N is
 * pushed onto SDL's queue at the first SDL_PollEvent after the N-th flip, so
 * it acts in frame N + 1; frame 0 means before the first flip.
 *
 * VLIM_VIRTUAL_TIME=1 makes the run deterministic: SDL_GetTicks reads 1 +
 * 15 ms per presented frame (never 0, which the game takes as "not timed
 * yet"), so every frame after the first has dt = 0.015; SDL_Delay returns at
 * once; clock() reads 2000 microseconds of processor time per presented
 * frame, so a split's time is its frame count times 2000 us. A game that is
 * still running long after the script's last action would spin forever
 * under virtual time: it is ended with SHIM_STATUS_OVERRUN.
 *
 * The tests that only script time and input play the game's own frame loop
 * on the scripted platform (platform/scripted/) instead, which reads the same
 * scripts; this player stays for what proves the shipped executable's own
 * calls: its start-up, windows, signals, pacing.
 *
 * The player keeps what the game owns for the whole run and
 * checks that it owns no more (kept.c), and VLIM_FAIL makes a start-up step
 * fail on purpose (fail_on_purpose.c).
 *
 * VLIM_FLIP_TIMES=<file>, for tools/pace, which counts frames from outside
 * the game: the time of every flip is stored in the file, an array of 64-bit
 * integers mapped shared: slot 0 the number of flips so far, slot i the
 * CLOCK_MONOTONIC time of flip i in nanoseconds. A flip costs a clock read
 * (vDSO, no system call) and two stores, which do not disturb the game.
 */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  /* RTLD_NEXT */
#endif
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "shim.h"

unsigned long framesFlipped;
static int configured;
static int virtualTime;
static Uint32 virtualTicks = 1;  /* never 0, which the game takes as "not timed yet" */
static Uint32 tickStep;          /* added to every reading, modulo 2^32 as the ticks wrap */

void stepClock(long ms)
{
    tickStep += (Uint32)ms;
}

void* realFunction(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "game_script: no %s to wrap\n", name);
        _exit(SHIM_STATUS_BAD_SCRIPT);
    }
    return f;
}

enum { FLIP_SLOTS = 1 << 17 }; /* 1 MiB: over half an hour of flips at 66.7 per second */

static volatile int64_t* flipTimes; /* null: not mapped (no file named) */

__attribute__((constructor)) static void mapFlipTimes(void)
{
    const char* path = getenv("VLIM_FLIP_TIMES");
    if (!path || !*path)
        return;
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    void* p = fd < 0 || ftruncate(fd, FLIP_SLOTS * sizeof(int64_t)) != 0
                  ? MAP_FAILED
                  : mmap(NULL, FLIP_SLOTS * sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        perror("game_script: VLIM_FLIP_TIMES");
        _exit(SHIM_STATUS_NO_TIMES_FILE);
    }
    close(fd);
    flipTimes = p;
}

static void recordFlipTime(void)
{
    if (!flipTimes)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t n = flipTimes[0] + 1;
    if (n < FLIP_SLOTS)
        flipTimes[n] = (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
    flipTimes[0] = n; /* after the time, so a reader never sees an unset slot */
}

/* Read once, at the first wrapped call. */
static void configure(void)
{
    if (configured)
        return;
    configured = 1;
    const char* env = getenv("VLIM_VIRTUAL_TIME");
    virtualTime = env && !strcmp(env, "1");
    const char* script = getenv("VLIM_SCRIPT");
    if (script && *script)
        scriptRead(script);
}

int SDL_PollEvent(SDL_Event* event)
{
    REAL(SDL_PollEvent);
    configure();
    /* Through SDL's own queue, so the game sees them as it would see real
     * input. */
    scriptPushEvents();
    return real_SDL_PollEvent(event);
}

int SDL_Flip(SDL_Surface* screen)
{
    REAL(SDL_Flip);
    recordFlipTime();
    configure();
    ++framesFlipped;
    const int pause = scriptFrameDone(screen);
    checkKeptTexts();
    virtualTicks += VIRTUAL_FRAME_MS;
    const int flipped = real_SDL_Flip(screen);
    if (pause)
        raise(SIGSTOP);
    return flipped;
}

Uint32 SDL_GetTicks(void)
{
    REAL(SDL_GetTicks);
    configure();
    if (virtualTime)
        return virtualTicks + tickStep;
    return real_SDL_GetTicks() + tickStep;
}

void SDL_Delay(Uint32 ms)
{
    REAL(SDL_Delay);
    configure();
    if (virtualTime)
        return;
    real_SDL_Delay(ms);
}

clock_t clock(void)
{
    REAL(clock);
    configure();
    if (virtualTime)
        return (clock_t)(VIRTUAL_CPU_MICROS_PER_FRAME * (long)framesFlipped);
    return real_clock();
}
