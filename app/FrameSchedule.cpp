// Frame timing: dt from the tick counter and the wait until the next slot.
#include "app/FrameSchedule.h"

bool timeFrame(uint32_t& lastFrameTicks, uint32_t now, float& dt)
{
    if (lastFrameTicks == 0) {
        lastFrameTicks = now;
        return false;
    }
    const uint32_t elapsed = now - lastFrameTicks;
    lastFrameTicks = now;
    dt = static_cast<float>(elapsed) / 1000.0f;
    return true;
}

uint32_t ticksUntil(uint32_t nextFrameTicks, uint32_t now)
{
    const int32_t ahead = static_cast<int32_t>(nextFrameTicks - now);
    return ahead > 0 ? static_cast<uint32_t>(ahead) : 0;
}
