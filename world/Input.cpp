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

// The bit of a steering input in GameWorld::steeringHeld: buttons 0 to 7 by
// their number, the two arrow keys above them.
static uint16_t buttonBit(Uint8 button)
{
    return buttonDirection(button) != 0 ? static_cast<uint16_t>(1u << button) : 0;
}

static uint16_t keyBit(SDLKey key)
{
    return key == SDLK_UP ? 1u << 8 : key == SDLK_DOWN ? 1u << 9 : 0;
}

static void press(GameWorld& world, uint16_t bit, int direction)
{
    if (bit == 0 || (world.steeringHeld & bit))
        return;
    world.steeringHeld = static_cast<uint16_t>(world.steeringHeld | bit);
    world.bands->steer += direction;
}

static void release(GameWorld& world, uint16_t bit, int direction)
{
    if (bit == 0 || !(world.steeringHeld & bit))
        return;
    world.steeringHeld = static_cast<uint16_t>(world.steeringHeld & ~bit);
    world.bands->steer -= direction;
}

static void releaseEverything(GameWorld& world)
{
    for (Uint8 button = 0; button < 8; ++button)
        release(world, buttonBit(button), buttonDirection(button));
    release(world, keyBit(SDLK_UP), keyDirection(SDLK_UP));
    release(world, keyBit(SDLK_DOWN), keyDirection(SDLK_DOWN));
    world.bands->splitHeld = 0;
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
            press(world, keyBit(key), keyDirection(key));
        break;
    }
    case SDL_KEYUP: {
        const SDLKey key = event.key.keysym.sym;
        if (key == SDLK_SPACE)
            group.splitHeld = 0;
        else
            release(world, keyBit(key), keyDirection(key));
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
            press(world, buttonBit(button), buttonDirection(button));
        break;
    }
    case SDL_JOYBUTTONUP: {
        const Uint8 button = event.jbutton.button;
        if (button == GP2X_B)
            group.splitHeld = 0;
        else
            release(world, buttonBit(button), buttonDirection(button));
        break;
    }
    case SDL_ACTIVEEVENT:
        if (!event.active.gain && (event.active.state & SDL_APPINPUTFOCUS))
            releaseEverything(world);
        break;
    case SDL_QUIT:
        world.quitRequested = 1;
        break;
    default:
        break;
    }
}

void ignoreUnreadEvents()
{
    for (Uint8 type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_JOYAXISMOTION,
                       SDL_JOYBALLMOTION, SDL_JOYHATMOTION})
        SDL_EventState(type, SDL_IGNORE);
}
