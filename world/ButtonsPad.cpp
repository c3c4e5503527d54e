// A standard pad (Xbox, PlayStation, Switch layouts alike) in SDL 2's game
// controller order: the d-pad's up and down and the left stick steer, South
// and East split, Start starts, Back quits as Select does on the GP2X.
#include "world/Buttons.h"

ButtonRole buttonRole(Uint8 button)
{
    switch (button) {
    case PAD_DPAD_UP:
        return {ButtonRole::Steer, -1, 1u << 0};
    case PAD_DPAD_DOWN:
        return {ButtonRole::Steer, 1, 1u << 1};
    case PAD_SOUTH: case PAD_EAST:
        return {ButtonRole::Split, 0, 0};
    case PAD_START:
        return {ButtonRole::Start, 0, 0};
    case PAD_BACK:
        return {ButtonRole::Quit, 0, 0};
    default:
        return {ButtonRole::None, 0, 0};
    }
}

StickSteering stickSteering()
{
    return {PAD_LEFT_Y, 1u << 2, 1u << 3};
}
