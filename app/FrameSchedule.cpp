// Frame timing: dt from the tick counter and the wait until the next slot.
#include "app/FrameSchedule.h"

bool timeFrame(uint32_t& lastFrameTicks, uint32_t now, float& dt)
{
    if (lastFrameTicks == 0) {
        lastFrameTicks = now;
        return false;
    }
    int32_t elapsed = static_cast<int32_t>(now - lastFrameTicks);
    if (elapsed < 0)
        elapsed = 0;
    else if (elapsed > static_cast<int32_t>(STALL_LIMIT_MS))
        elapsed = static_cast<int32_t>(STALL_LIMIT_MS);
    lastFrameTicks = now;
    dt = static_cast<float>(static_cast<uint32_t>(elapsed)) / 1000.0f;
    return true;
}

bool resyncSchedule(uint32_t& nextFrameTicks, uint32_t& lastTicks, uint32_t now)
{
    const bool wentBack = lastTicks != 0 && static_cast<int32_t>(now - lastTicks) < 0;
    lastTicks = now;
    const int32_t behind = static_cast<int32_t>(now - nextFrameTicks);
    const int32_t limit = static_cast<int32_t>(STALL_LIMIT_MS);
    if (!wentBack && behind <= limit && behind >= -limit)
        return false;
    nextFrameTicks = now;
    return true;
}

uint32_t ticksUntil(uint32_t nextFrameTicks, uint32_t now)
{
    const int32_t ahead = static_cast<int32_t>(nextFrameTicks - now);
    return ahead > 0 ? static_cast<uint32_t>(ahead) : 0;
}
