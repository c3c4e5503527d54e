/* Times the frames that vlim presents, from outside the game: tools/pace
 * preloads it (LD_PRELOAD) into the unmodified executable.
 *
 * It wraps SDL_Flip and stores the CLOCK_MONOTONIC time of each call, in
 * nanoseconds, in the file named by VLIM_FLIP_TIMES: an array of 64-bit
 * integers mapped shared, slot 0 the number of flips so far, slot i the time
 * of flip i. The script reads the file while the game runs. A flip costs a
 * clock read (vDSO, no system call) and two stores, so the game's CPU use is
 * not disturbed by the counting.
 */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* RTLD_NEXT */
#endif
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "shim_constants.h"

enum { SLOTS = 1 << 17 }; /* 1 MiB: over half an hour of flips at 66.7 per second */

typedef struct SDL_Surface SDL_Surface;

static volatile int64_t* times; /* null: not mapped (no file named, or it failed) */

__attribute__((constructor)) static void mapTimes(void)
{
    const char* path = getenv("VLIM_FLIP_TIMES");
    if (!path || !*path)
        return;
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ftruncate(fd, SLOTS * sizeof(int64_t)) != 0) {
        perror("flip_times");
        _exit(SHIM_STATUS_NO_TIMES_FILE);
    }
    void* p = mmap(NULL, SLOTS * sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (p == MAP_FAILED) {
        perror("flip_times: mmap");
        _exit(SHIM_STATUS_NO_TIMES_FILE);
    }
    times = p;
}

int SDL_Flip(SDL_Surface* screen)
{
    static int (*realFlip)(SDL_Surface*);
    if (!realFlip)
        realFlip = (int (*)(SDL_Surface*))dlsym(RTLD_NEXT, "SDL_Flip");
    if (times) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        int64_t n = times[0] + 1;
        if (n < SLOTS)
            times[n] = (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
        times[0] = n; /* after the time, so a reader never sees an unset slot */
    }
    return realFlip(screen);
}
