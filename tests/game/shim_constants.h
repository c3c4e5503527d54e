/* The numbers of the preloaded script player that the shell harness needs
 * as well; it reads them through game_constants. */
#ifndef VLIM_TESTS_GAME_SHIM_CONSTANTS_H
#define VLIM_TESTS_GAME_SHIM_CONSTANTS_H

/* Virtual time: each presented frame lasts the game's 15 ms frame period
 * and 2000 microseconds of processor time (CLOCKS_PER_SEC is 10^6). */
enum { VIRTUAL_FRAME_MS = 15, VIRTUAL_CPU_MICROS_PER_FRAME = 2000 };

/* How the script player ends a game it cannot go on with, in one place so
 * that no two share a number. */
enum {
    SHIM_STATUS_LEAK = 96,          /* the game keeps more fonts or texts than it may */
    SHIM_STATUS_OVERRUN = 97,       /* still running long after the script's or the soak's end */
    SHIM_STATUS_BAD_SCRIPT = 98,    /* a script that cannot be played, or no SDL call to wrap */
    SHIM_STATUS_NO_TIMES_FILE = 99, /* the file of VLIM_FLIP_TIMES cannot be mapped */
};

#endif
