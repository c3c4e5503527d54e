// The input mapping: keyboard keys and joystick buttons (by the build's
// table, world/Buttons.h) to steering, split, start and quit.
#pragma once

#include <SDL.h>

#include "world/Buttons.h"

struct GameWorld;

// Applies one event: steering is a counter (a press adds its direction, a
// release takes it back), split follows the held button, start resets the
// band group at once, quit raises quitRequested; the steering stick, pushed
// past half-way, holds up or down. Other events are ignored.
// Each key and button counts once while it is held (GameWorld::steeringHeld),
// so a release whose press was never counted takes nothing back. Losing the
// input focus releases everything: the releases themselves go to the window
// that has the focus then.
void applyInputEvent(GameWorld& world, const SDL_Event& event);

// Keeps the events applyInputEvent never reads (mouse, hats, balls, and
// joystick axes unless the table steers with a stick) out of SDL's queue,
// where a flood of them could push out a key's release. Call once the video
// mode is set.
void ignoreUnreadEvents();
