// Where Emscripten's SDL 1.2 lacks a call the game makes, or answers it
// wrongly; linked in place of its own.
#include <SDL.h>
#include <emscripten.h>

// It has no SDL_EventState. The game calls it only to keep the events it
// never reads (mouse, joystick axes, hats, balls) from filling the desktop's
// 128-event queue, where they could push out a key's release. The browser's
// queue holds 10,000 events and the frame loop empties it every 15 ms,
// dropping what it does not read, so here every kind of event stays
// enabled, as this says.
extern "C" Uint8 SDL_EventState(Uint32, int)
{
    return SDL_ENABLE;
}

// The page reads the gamepads itself, by the browser's standard mapping, and
// sends the game the keyboard's keys for them (controls.js). Emscripten's
// joystick would deliver the browser's button numbers, which the game reads
// as the handheld's (the south button, 0, is the handheld's Up), and only
// for a pad already connected at the start; so the game is shown none.
extern "C" int SDL_NumJoysticks()
{
    return 0;
}
