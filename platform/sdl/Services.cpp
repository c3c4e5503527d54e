// The platform's services on SDL 1.2 and Linux.
#include <SDL.h>
#include <unistd.h>

#include "platform/Platform.h"
#include "platform/sdl/SdlScreen.h"

uint32_t readTicks()
{
    return SDL_GetTicks();
}

void waitTicks(uint32_t ms)
{
    SDL_Delay(ms);
}

void presentScreen(Screen* screen)
{
    SDL_Flip(surfaceOf(screen));
}

bool recordChangedElsewhere()
{
    // Another game saving in the folder keeps the better of both on disk
    // (writeHighScoreFile); nothing tells this one when.
    return false;
}

void commitRecordFolder()
{
    // The rename is in the folder, which the file's own fsync does not
    // write out.
    sync();
}
