// Keyboard and joystick events onto the band group's inputs.
#include "world/Input.h"

#include "bands/BandGroup.h"
#include "world/GameWorld.h"

// -1 for the up buttons, +1 for the down ones, 0 for the rest.
static int buttonDirection(Uint8 button)
{
    switch (button) {
    case GP2X_UP: case GP2X_UP_LEFT: case GP2X_UP_RIGHT:
        return -1;
    case GP2X_DOWN_LEFT: case GP2X_DOWN: case GP2X_DOWN_RIGHT:
        return 1;
    default:
        return 0;
    }
}

static int keyDirection(SDLKey key)
{
    return key == SDLK_UP ? -1 : key == SDLK_DOWN ? 1 : 0;
}

void applyInputEvent(GameWorld& world, const SDL_Event& event)
{
    BandGroup& group = *world.bands;
    switch (event.type) {
    case SDL_KEYDOWN: {
        const SDLKey key = event.key.keysym.sym;
        if (key == SDLK_c && (event.key.keysym.mod & KMOD_CTRL))
            world.quitRequested = 1;
        else if (key == SDLK_SPACE)
            group.splitHeld = 1;
        else if (key == SDLK_RETURN)
            group.reset();
        else
            group.steer += keyDirection(key);
        break;
    }
    case SDL_KEYUP: {
        const SDLKey key = event.key.keysym.sym;
        if (key == SDLK_SPACE)
            group.splitHeld = 0;
        else
            group.steer -= keyDirection(key);
        break;
    }
    case SDL_JOYBUTTONDOWN: {
        const Uint8 button = event.jbutton.button;
        if (button == GP2X_START)
            group.reset();
        else if (button == GP2X_SELECT)
            world.quitRequested = 1;
        else if (button == GP2X_B)
            group.splitHeld = 1;
        else
            group.steer += buttonDirection(button);
        break;
    }
    case SDL_JOYBUTTONUP: {
        const Uint8 button = event.jbutton.button;
        if (button == GP2X_B)
            group.splitHeld = 0;
        else
            group.steer -= buttonDirection(button);
        break;
    }
    case SDL_QUIT:
        world.quitRequested = 1;
        break;
    default:
        break;
    }
}
