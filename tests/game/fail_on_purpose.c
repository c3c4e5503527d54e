/* Start-up failures on demand, for the failures a real machine cannot be
 * made to produce: VLIM_FAIL=<step> makes one start-up step fail the way its
 * library reports failure. "video-mode": SDL_SetVideoMode gives null;
 * "ttf-init": TTF_Init gives -1; "joystick": one joystick is present and
 * SDL_JoystickOpen gives null. And a player's timing no script can have:
 * VLIM_START_AT_WINDOW=1 queues Return as the window appears, before any
 * poll of the game's. */
#include <SDL_ttf.h>
#include <stdlib.h>
#include <string.h>

#include "shim.h"
#include "tests/support/events.h"

static int failing(const char* step)
{
    const char* which = getenv("VLIM_FAIL");
    if (!which || strcmp(which, step) != 0)
        return 0;
    SDL_SetError("failed on purpose (VLIM_FAIL=%s)", step);
    return 1;
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    REAL(SDL_SetVideoMode);
    if (failing("video-mode"))
        return NULL;
    SDL_Surface* screen = real_SDL_SetVideoMode(width, height, bpp, flags);
    const char* start = getenv("VLIM_START_AT_WINDOW");
    if (screen && start && !strcmp(start, "1")) {
        SDL_Event press = keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE);
        SDL_PushEvent(&press);
    }
    return screen;
}

int TTF_Init(void)
{
    REAL(TTF_Init);
    if (failing("ttf-init"))
        return -1;
    return real_TTF_Init();
}

int SDL_NumJoysticks(void)
{
    REAL(SDL_NumJoysticks);
    const char* which = getenv("VLIM_FAIL");
    if (which && strcmp(which, "joystick") == 0)
        return 1;
    return real_SDL_NumJoysticks();
}

SDL_Joystick* SDL_JoystickOpen(int index)
{
    REAL(SDL_JoystickOpen);
    if (failing("joystick"))
        return NULL;
    return real_SDL_JoystickOpen(index);
}
