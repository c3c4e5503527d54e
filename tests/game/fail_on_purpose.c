/* Start-up failures on demand, for the failures a real machine cannot be
 * made to produce: VLIM_FAIL=<step> makes one start-up step fail the way its
 * library reports failure. "video-mode": SDL_SetVideoMode gives null;
 * "ttf-init": TTF_Init gives -1; "joystick": one joystick is present and
 * SDL_JoystickOpen gives null. */
#include <SDL_ttf.h>
#include <stdlib.h>
#include <string.h>

#include "shim.h"

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
    static SDL_Surface* (*realSetVideoMode)(int, int, int, Uint32);
    if (failing("video-mode"))
        return NULL;
    if (!realSetVideoMode)
        realSetVideoMode = (SDL_Surface * (*)(int, int, int, Uint32)) realFunction("SDL_SetVideoMode");
    return realSetVideoMode(width, height, bpp, flags);
}

int TTF_Init(void)
{
    static int (*realTtfInit)(void);
    if (failing("ttf-init"))
        return -1;
    if (!realTtfInit)
        realTtfInit = (int (*)(void))realFunction("TTF_Init");
    return realTtfInit();
}

int SDL_NumJoysticks(void)
{
    static int (*realNumJoysticks)(void);
    const char* which = getenv("VLIM_FAIL");
    if (which && strcmp(which, "joystick") == 0)
        return 1;
    if (!realNumJoysticks)
        realNumJoysticks = (int (*)(void))realFunction("SDL_NumJoysticks");
    return realNumJoysticks();
}

SDL_Joystick* SDL_JoystickOpen(int index)
{
    static SDL_Joystick* (*realJoystickOpen)(int);
    if (failing("joystick"))
        return NULL;
    if (!realJoystickOpen)
        realJoystickOpen = (SDL_Joystick * (*)(int)) realFunction("SDL_JoystickOpen");
    return realJoystickOpen(index);
}
