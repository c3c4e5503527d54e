// The arithmetic of the fixed 15 ms frame schedule, in pure functions so
// that it can be tested with chosen tick values (milliseconds, readTicks).
#pragma once

#include <cstdint>

const uint32_t FRAME_PERIOD_MS = 15;  // about 66.7 frames per second

// The longest stall the schedule catches up frame by frame, and the longest
// frame the world is advanced by. Up to 5 s is a hiccup (a slow card, a busy
// machine): 333 frames, fast-forwarded within a second or two even on the
// handheld. Anything longer means the game was stopped or the clock stepped
// (SIGSTOP, a suspend, a clock set forward); catching that up would take the
// machine for minutes, and one frame of it would make the cave generate
// columns for as long, while the player sees nothing they could play.
const uint32_t STALL_LIMIT_MS = 5000;

// Times a frame from a fresh tick reading. A lastFrameTicks of 0 means no
// frame has been timed yet: the reading is recorded and false is returned (the
// iteration then does nothing else). Otherwise dt becomes the seconds since the
// last frame and true is returned. The difference is taken signed, so a
// counter wrap still gives the small true value and a reading that went back
// (the classic library follows the wall clock) gives 0, not a 49-day frame;
// it is capped at STALL_LIMIT_MS.
bool timeFrame(uint32_t& lastFrameTicks, uint32_t now, float& dt);

// Restarts the schedule from now, and returns true, only when the clock
// demonstrably jumped: the reading is lower than the one before it
// (lastTicks; 0 means none yet), as when the wall clock is stepped back, or
// the frame due is more than STALL_LIMIT_MS behind or ahead of it. Ahead by
// that much, with the counter moving forward, only a start with the counter
// far along can be. Readings a few milliseconds early or late are the
// ordinary jitter of a millisecond sleep on a truncated counter: they leave
// nextFrameTicks alone, so the schedule keeps its 15 ms grid and slow frames
// are still caught up.
bool resyncSchedule(uint32_t& nextFrameTicks, uint32_t& lastTicks, uint32_t now);

// Milliseconds to wait from now until the frame due at nextFrameTicks, or 0
// when it is already due. Deliberately a signed difference, not an unsigned
// comparison: when the 32-bit tick counter wraps (after 49.7 days) the
// schedule and the reading lie on opposite sides of it, and an unsigned
// comparison would wait nearly 2^32 ms; the difference gives the true short
// wait.
uint32_t ticksUntil(uint32_t nextFrameTicks, uint32_t now);
