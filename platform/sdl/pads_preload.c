/* Loaded with LD_PRELOAD by the launchers, next to the SDL 1.2
 * compatibility layer. In its game controller mode
 * (SDL12COMPAT_USE_GAME_CONTROLLERS) the layer passes on SDL 2's controller
 * events, but starts only SDL 2's joystick subsystem, and SDL 2 turns a
 * pad's joystick events into controller events only while its game
 * controller subsystem runs: without it the game would get no pad event at
 * all. So this starts that subsystem, in the same SDL 2 the layer loads,
 * when the game is loaded; the layer's SDL_Quit ends it with the rest. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>

#define SDL2_INIT_GAMECONTROLLER 0x00002000u  /* SDL_INIT_GAMECONTROLLER */

__attribute__((constructor)) static void startControllers(void)
{
    const char* wanted = getenv("SDL12COMPAT_USE_GAME_CONTROLLERS");
    if (!wanted || atoi(wanted) == 0)  /* as the layer reads it */
        return;
    void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!sdl2)
        return;  /* the layer will say so itself */
    int (*initSubSystem)(uint32_t) = (int (*)(uint32_t))dlsym(sdl2, "SDL_InitSubSystem");
    if (initSubSystem)
        initSubSystem(SDL2_INIT_GAMECONTROLLER);
}
