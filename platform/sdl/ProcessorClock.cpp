// The processor clock on Linux: the process's own processor time (tests link
// a clock they set).
#include "platform/Platform.h"

clock_t readProcessorClock()
{
    return clock();
}
