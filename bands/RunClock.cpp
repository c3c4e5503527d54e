// Banking splits into the run's score.
#include "bands/RunClock.h"

#include <type_traits>

#include "bands/Truncate.h"
#include "platform/Platform.h"

void RunClock::reset()
{
    score = 0;
    splitPoints = 0;
    splitStart = 0;
    longestSplitSeconds = 0.0;
}

void RunClock::startSplit()
{
    splitPoints = 0;
    splitStart = readProcessorClock();
}

void RunClock::addSplitPoints(int32_t points)
{
    // Widened so a very long split saturates instead of overflowing.
    const int64_t sum = static_cast<int64_t>(splitPoints) + points;
    splitPoints = sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : static_cast<int32_t>(sum);
}

void RunClock::endSplit(bool bank)
{
    if (!bank) {
        splitPoints = 0;
        splitStart = 0;
        return;
    }
    const clock_t now = readProcessorClock();
    // The difference in the clock's own type; taken through unsigned so a
    // 32-bit clock that has wrapped gives the true short duration.
    using UnsignedClock = std::make_unsigned<clock_t>::type;
    const clock_t ticks = static_cast<clock_t>(static_cast<UnsignedClock>(now) - static_cast<UnsignedClock>(splitStart));
    const double seconds = static_cast<double>(ticks) / PROCESSOR_TICKS_PER_SECOND;
    if (longestSplitSeconds < seconds)
        longestSplitSeconds = seconds;
    // Product first, then the division, then the sum, all in double; the new
    // total is truncated toward zero, clamped to the int32 range first.
    const double gained = (static_cast<double>(splitPoints) * seconds) / SPLIT_SCORE_DIVISOR;
    score = truncToInt(static_cast<double>(score) + gained);
}
