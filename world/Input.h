// The input mapping: keyboard keys and GP2X joystick buttons to steering,
// split, start and quit.
#pragma once

#include <SDL.h>

struct GameWorld;

// GP2X joystick buttons.
enum Gp2xButton {
    GP2X_UP = 0, GP2X_UP_LEFT = 1, GP2X_DOWN_LEFT = 3, GP2X_DOWN = 4,
    GP2X_DOWN_RIGHT = 5, GP2X_UP_RIGHT = 7, GP2X_START = 8, GP2X_SELECT = 9,
    GP2X_B = 13,
};

// Applies one event: steering is a counter (a press adds its direction, a
// release takes it back), split follows the held button, start resets the
// band group at once, quit raises quitRequested. Other events are ignored.
// Each key and button counts once while it is held (GameWorld::steeringHeld),
// so a release whose press was never counted takes nothing back. Losing the
// input focus releases everything: the releases themselves go to the window
// that has the focus then.
void applyInputEvent(GameWorld& world, const SDL_Event& event);

// Keeps the events applyInputEvent never reads (mouse, joystick axes, hats,
// balls) out of SDL's queue, where a flood of them could push out a key's
// release. Call once the video mode is set.
void ignoreUnreadEvents();
