#include "tests/support/FakeProcessorClock.h"

#include "platform/Platform.h"

clock_t fakeProcessorClock = 0;

clock_t readProcessorClock()
{
    return fakeProcessorClock;
}
