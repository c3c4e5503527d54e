// The work of one timed frame, and the loop of them.
#include "app/Frame.h"

#include <cstdint>

#include "app/FrameSchedule.h"
#include "app/Screens.h"
#include "platform/Platform.h"
#include "world/GameWorld.h"

void playFrame(DisplayState& display, Screen* screen, float dt)
{
    gameWorld.handleInputAndUpdate(dt);
    gameWorld.draw(screen);
    // Chosen after the update, so the switch happens in the frame in which
    // the last band dies or a run starts.
    if (gameWorld.anyBandAlive())
        drawHud(display, screen);
    else
        drawTitleScreen(display, screen);
}

void runFrames(DisplayState& display, Screen* screen)
{
    uint32_t lastFrameTicks = 0;     // 0: no frame timed yet
    uint32_t nextFrameTicks = 0;     // when the next frame is due: += FRAME_PERIOD_MS a frame,
                                     // set from the clock only when it jumped
    uint32_t lastScheduleTicks = 0;  // the schedule's last reading; 0: none yet
    while (!gameWorld.quitRequested) {
        clearScreen(screen);

        float dt = 0.0f;
        if (!timeFrame(lastFrameTicks, readTicks(), dt))
            continue;  // the first reading only starts the clock

        playFrame(display, screen, dt);

        // Waited for even by 0; the schedule is reset from the clock only
        // after a stall beyond STALL_LIMIT_MS or a clock that went back, so
        // after a slow frame the next ones catch up without dropping any,
        // and a wake-up a millisecond early or late changes no frame's slot.
        const uint32_t now = readTicks();
        resyncSchedule(nextFrameTicks, lastScheduleTicks, now);
        waitTicks(ticksUntil(nextFrameTicks, now));
        nextFrameTicks += FRAME_PERIOD_MS;
        presentScreen(screen);
    }
}
