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

// Its SDL_NumJoysticks counts every slot of navigator.getGamepads(), which
// Chromium fills with nulls, so the game reported a joystick that failed to
// open at every start. Only connected gamepads count.
EM_JS(int, countGamepads, (), {
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    var count = 0;
    for (var i = 0; i < pads.length; i++) {
        if (pads[i])
            count++;
    }
    return count;
});

extern "C" int SDL_NumJoysticks()
{
    return countGamepads();
}
