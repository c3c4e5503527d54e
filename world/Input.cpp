// The game's buttons onto the band group's inputs.
#include "world/Input.h"

#include "bands/BandGroup.h"
#include "world/GameWorld.h"

namespace {

int directionOf(GameButton button)
{
    return button == GameButton::Up ? -1 : 1;
}

}  // namespace

void applyInputEvent(GameWorld& world, const InputEvent& event)
{
    BandGroup& group = *world.bands;
    const bool steering = event.button == GameButton::Up || event.button == GameButton::Down;
    int& held = world.steeringHeld[event.button == GameButton::Down];
    switch (event.type) {
    case InputEvent::Pressed:
        if (steering) {
            ++held;
            group.steer += directionOf(event.button);
        } else if (event.button == GameButton::Split) {
            group.splitHeld = 1;
        } else if (event.button == GameButton::Start) {
            group.reset();
        } else {
            world.quitRequested = 1;
        }
        break;
    case InputEvent::Released:
        if (steering && held > 0) {
            --held;
            group.steer -= directionOf(event.button);
        } else if (event.button == GameButton::Split) {
            group.splitHeld = 0;
        }
        break;
    case InputEvent::Quit:
        world.quitRequested = 1;
        break;
    case InputEvent::FocusLost:
        group.steer += world.steeringHeld[0] - world.steeringHeld[1];
        world.steeringHeld[0] = world.steeringHeld[1] = 0;
        group.splitHeld = 0;
        break;
    }
}
