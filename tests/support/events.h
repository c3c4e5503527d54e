/* Keyboard and joystick events as SDL 1.2 delivers them, for the tests and
 * the preloaded script player alike (C and C++). */
#ifndef VLIM_TESTS_SUPPORT_EVENTS_H
#define VLIM_TESTS_SUPPORT_EVENTS_H

#include <SDL.h>
#include <string.h>

/* type is SDL_KEYDOWN or SDL_KEYUP (an int: Emscripten's SDL numbers events
 * past 255). */
static inline SDL_Event keyEvent(int type, SDLKey key, SDLMod mod)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    return e;
}

/* type is SDL_JOYBUTTONDOWN or SDL_JOYBUTTONUP; which is the joystick. */
static inline SDL_Event buttonEvent(int type, Uint8 button, Uint8 which)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    e.type = e.jbutton.type = type;
    e.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.jbutton.which = which;
    e.jbutton.button = button;
    return e;
}

#ifdef __cplusplus
#include "platform/sdl/SdlInput.h"
#include "world/Input.h"

/* A game world fed SDL events as the SDL platform feeds the game: by the
 * keyboard's bindings and the joystick table named, each input held once. */
struct SdlFeed {
    GameWorld& world;
    const ButtonTable& joystick;
    HeldInputs held;

    explicit SdlFeed(GameWorld& w, const char* table = "gp2x") : world(w), joystick(*findButtonTable(table)) {}
    void operator()(const SDL_Event& event)
    {
        InputEvent out[2];
        const int n = translateEvent(event, joystick, held, out);
        for (int i = 0; i < n; ++i)
            applyInputEvent(world, out[i]);
    }
};
#endif

#endif
