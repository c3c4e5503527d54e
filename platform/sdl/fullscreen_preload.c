/* Loaded with LD_PRELOAD by the PortMaster launcher alone, next to the SDL
 * 1.2 compatibility layer: the game's 320x240 window becomes the whole
 * screen, at the largest whole scale that fits, centred on black.
 *
 * The game asks for a window, which on a handheld may switch a docked TV's
 * mode, or leave the scaling to the display plane's filter. Asked for
 * SDL_FULLSCREEN, the layer keeps the screen's mode
 * (SDL_WINDOW_FULLSCREEN_DESKTOP) and scales with SDL 2's renderer to a
 * logical size, by min(W/320, H/240): on most screens pixels of two sizes
 * side by side. The layer has no setting for whole scales, and it calls SDL 2
 * through pointers of its own, which no preload can wrap; but it sets the
 * logical size only in SDL_SetVideoMode, so the renderer's integer scale,
 * turned on right after, holds, and SDL 2 keeps it on every resize. */
#define _GNU_SOURCE  /* RTLD_NEXT */
#include <dlfcn.h>
#include <stddef.h>
#include <stdint.h>

#define SDL12_FULLSCREEN 0x80000000u  /* SDL 1.2's SDL_FULLSCREEN */
#define SDL2_TRUE 1

/* SDL 2 numbers its windows from 1; the layer makes one. */
#define WINDOW_IDS 16

void* SDL_SetVideoMode(int width, int height, int bpp, uint32_t flags)
{
    void* (*setVideoMode)(int, int, int, uint32_t) =
        (void* (*)(int, int, int, uint32_t))dlsym(RTLD_NEXT, "SDL_SetVideoMode");
    if (!setVideoMode)
        return NULL;
    void* screen = setVideoMode(width, height, bpp, flags | SDL12_FULLSCREEN);
    /* Only an SDL 2 that the layer has loaded already. */
    void* sdl2 = screen ? dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD) : NULL;
    if (!sdl2)
        return screen;
    void* (*windowFromId)(uint32_t) = (void* (*)(uint32_t))dlsym(sdl2, "SDL_GetWindowFromID");
    void* (*rendererOf)(void*) = (void* (*)(void*))dlsym(sdl2, "SDL_GetRenderer");
    int (*integerScale)(void*, int) = (int (*)(void*, int))dlsym(sdl2, "SDL_RenderSetIntegerScale");
    if (windowFromId && rendererOf && integerScale) {  /* the last from SDL 2.0.5 on */
        for (uint32_t id = 1; id <= WINDOW_IDS; id++) {
            void* window = windowFromId(id);
            void* renderer = window ? rendererOf(window) : NULL;
            if (renderer)
                integerScale(renderer, SDL2_TRUE);
        }
    }
    dlclose(sdl2);
    return screen;
}
