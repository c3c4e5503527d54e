// The browser's processor clock. A page has no processor time of its own
// (Emscripten's clock() is wall time, sleeps included), so the game's work
// is wall time less the time the frame loop spent waiting: this file's
// SDL_Delay, linked in place of Emscripten's, sleeps through Asyncify and
// counts what it slept.
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>

#include "bands/RunClock.h"

static double sleptMs = 0.0;      // in SDL_Delay since the page started
static double delayEndMs = -1.0;  // when the last SDL_Delay returned; -1 before the first

// Tells the page how long the frame before this wait worked (the loop's one
// SDL_Delay a frame) and how long it then slept; the page keeps the counts
// for the benchmark.
EM_JS(void, reportFrame, (double workMs, double sleptMs), {
    if (Module.onFrame)
        Module.onFrame(workMs, sleptMs);
});

extern "C" void SDL_Delay(Uint32 ms)
{
    const double start = emscripten_get_now();
    emscripten_sleep(ms);
    const double end = emscripten_get_now();
    sleptMs += end - start;
    if (delayEndMs >= 0.0)
        reportFrame(start - delayEndMs, end - start);
    delayEndMs = end;
}

clock_t readProcessorClock()
{
    // Whole microseconds, wrapping as a 32-bit clock_t does; the run clock
    // takes its differences through the unsigned type.
    const double workMicros = (emscripten_get_now() - sleptMs) * 1000.0;
    return static_cast<clock_t>(static_cast<uint32_t>(static_cast<uint64_t>(workMicros)));
}
