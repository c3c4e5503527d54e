/* When the game presents each frame, for tools/pace, which counts frames
 * from outside the game: with VLIM_FLIP_TIMES naming a file, the time of
 * every flip is stored there, in an array of 64-bit integers mapped shared:
 * slot 0 the number of flips so far, slot i the CLOCK_MONOTONIC time of
 * flip i in nanoseconds. A flip costs a clock read (vDSO, no system call)
 * and two stores, so the game's CPU use is not disturbed by the counting. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "shim.h"

enum { SLOTS = 1 << 17 }; /* 1 MiB: over half an hour of flips at 66.7 per second */

static volatile int64_t* times; /* null: not mapped (no file named) */

__attribute__((constructor)) static void mapTimes(void)
{
    const char* path = getenv("VLIM_FLIP_TIMES");
    if (!path || !*path)
        return;
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
    void* p = fd < 0 || ftruncate(fd, SLOTS * sizeof(int64_t)) != 0
                  ? MAP_FAILED
                  : mmap(NULL, SLOTS * sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        perror("game_script: VLIM_FLIP_TIMES");
        _exit(SHIM_STATUS_NO_TIMES_FILE);
    }
    close(fd);
    times = p;
}

void recordFlipTime(void)
{
    if (!times)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t n = times[0] + 1;
    if (n < SLOTS)
        times[n] = (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
    times[0] = n; /* after the time, so a reader never sees an unset slot */
}
