// The real processor clock, linked into the game (tests link their own).
#include "bands/RunClock.h"

clock_t readProcessorClock()
{
    return clock();
}
