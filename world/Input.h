// The game's input events (platform/Platform.h) onto the band group's
// inputs, the start of a run and the quit request.
#pragma once

#include "platform/Platform.h"

struct GameWorld;

// Applies one event. Steering is a counter: each press of Up or Down adds its
// direction and its release takes it back, so holding both gives 0; a
// release of a button that nothing holds takes nothing back. Split follows
// its last event, Start resets the band group at once, Select and Quit raise
// quitRequested. Losing the input focus releases everything: the releases
// themselves go to the window that has the focus then.
void applyInputEvent(GameWorld& world, const InputEvent& event);
