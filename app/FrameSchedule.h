// The arithmetic of the fixed 15 ms frame schedule, kept free of SDL so it can
// be tested with chosen tick values (milliseconds on the SDL_GetTicks scale).
#pragma once

#include <cstdint>

const uint32_t FRAME_PERIOD_MS = 15;  // about 66.7 frames per second

// Times a frame from a fresh tick reading. A lastFrameTicks of 0 means no
// frame has been timed yet: the reading is recorded and false is returned (the
// iteration then does nothing else). Otherwise dt becomes the seconds since the
// last frame, from the unsigned difference (so a counter wrap still gives the
// small true value), and true is returned.
bool timeFrame(uint32_t& lastFrameTicks, uint32_t now, float& dt);

// Milliseconds to wait from now until the frame due at nextFrameTicks, or 0
// when it is already due. Deliberately a signed difference, not an unsigned
// comparison: when the 32-bit tick counter wraps (after 49.7 days) the
// schedule and the reading lie on opposite sides of it, and an unsigned
// comparison would wait nearly 2^32 ms; the difference gives the true short
// wait.
uint32_t ticksUntil(uint32_t nextFrameTicks, uint32_t now);
