// A processor clock the tests set by hand, linked in place of clock().
#pragma once

#include <ctime>

extern clock_t fakeProcessorClock;
