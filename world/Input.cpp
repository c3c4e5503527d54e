// Keyboard and joystick events onto the band group's inputs.
#include "world/Input.h"

#include "bands/BandGroup.h"
#include "world/GameWorld.h"

namespace {

int keyDirection(SDLKey key)
{
    return key == SDLK_UP ? -1 : key == SDLK_DOWN ? 1 : 0;
}

// The bit of a steering input in GameWorld::steeringHeld: the table's
// buttons and stick below 1 << 8, the two arrow keys above them.
uint16_t keyBit(SDLKey key)
{
    return key == SDLK_UP ? 1u << 8 : key == SDLK_DOWN ? 1u << 9 : 0;
}

void press(GameWorld& world, uint16_t bit, int direction)
{
    if (bit == 0 || (world.steeringHeld & bit))
        return;
    world.steeringHeld = static_cast<uint16_t>(world.steeringHeld | bit);
    world.bands->steer += direction;
}

void release(GameWorld& world, uint16_t bit, int direction)
{
    if (bit == 0 || !(world.steeringHeld & bit))
        return;
    world.steeringHeld = static_cast<uint16_t>(world.steeringHeld & ~bit);
    world.bands->steer -= direction;
}

// Past half-way up holds the stick's up bit, past half-way down its down
// bit, anything nearer the middle neither.
void moveStick(GameWorld& world, Uint8 axis, Sint16 value)
{
    const StickSteering stick = stickSteering();
    if (stick.axis < 0 || axis != stick.axis)
        return;
    const int half = 16384;
    if (value < -half) {
        release(world, stick.downBit, 1);
        press(world, stick.upBit, -1);
    } else if (value > half) {
        release(world, stick.upBit, -1);
        press(world, stick.downBit, 1);
    } else {
        release(world, stick.upBit, -1);
        release(world, stick.downBit, 1);
    }
}

void releaseEverything(GameWorld& world)
{
    for (int button = 0; button <= 255; ++button) {
        const ButtonRole role = buttonRole(static_cast<Uint8>(button));
        if (role.kind == ButtonRole::Steer)
            release(world, role.bit, role.direction);
    }
    const StickSteering stick = stickSteering();
    release(world, stick.upBit, -1);
    release(world, stick.downBit, 1);
    release(world, keyBit(SDLK_UP), keyDirection(SDLK_UP));
    release(world, keyBit(SDLK_DOWN), keyDirection(SDLK_DOWN));
    world.bands->splitHeld = 0;
}

}  // namespace

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
        const ButtonRole role = buttonRole(event.jbutton.button);
        switch (role.kind) {
        case ButtonRole::Start: group.reset(); break;
        case ButtonRole::Quit: world.quitRequested = 1; break;
        case ButtonRole::Split: group.splitHeld = 1; break;
        case ButtonRole::Steer: press(world, role.bit, role.direction); break;
        case ButtonRole::None: break;
        }
        break;
    }
    case SDL_JOYBUTTONUP: {
        const ButtonRole role = buttonRole(event.jbutton.button);
        if (role.kind == ButtonRole::Split)
            group.splitHeld = 0;
        else if (role.kind == ButtonRole::Steer)
            release(world, role.bit, role.direction);
        break;
    }
    case SDL_JOYAXISMOTION:
        moveStick(world, event.jaxis.axis, event.jaxis.value);
        break;
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
    for (auto type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_JOYAXISMOTION,
                      SDL_JOYBALLMOTION, SDL_JOYHATMOTION}) {
        // The stick a table steers with is read; with none, its motion is
        // as unread as the rest.
        if (type == SDL_JOYAXISMOTION && stickSteering().axis >= 0)
            continue;
        SDL_EventState(static_cast<Uint8>(type), SDL_IGNORE);
    }
}
