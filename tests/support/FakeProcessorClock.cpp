#include "tests/support/FakeProcessorClock.h"

#include "bands/RunClock.h"

clock_t fakeProcessorClock = 0;

clock_t readProcessorClock()
{
    return fakeProcessorClock;
}
