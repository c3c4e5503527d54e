// The GP2X's own numbers: 0 to 7 are the stick's eight directions (those
// with up or down in them steer), Start starts, Select quits, B splits.
#include "world/Buttons.h"

ButtonRole buttonRole(Uint8 button)
{
    const uint16_t bit = static_cast<uint16_t>(button < 8 ? 1u << button : 0);
    switch (button) {
    case GP2X_UP: case GP2X_UP_LEFT: case GP2X_UP_RIGHT:
        return {ButtonRole::Steer, -1, bit};
    case GP2X_DOWN_LEFT: case GP2X_DOWN: case GP2X_DOWN_RIGHT:
        return {ButtonRole::Steer, 1, bit};
    case GP2X_START:
        return {ButtonRole::Start, 0, 0};
    case GP2X_SELECT:
        return {ButtonRole::Quit, 0, 0};
    case GP2X_B:
        return {ButtonRole::Split, 0, 0};
    default:
        return {ButtonRole::None, 0, 0};
    }
}

StickSteering stickSteering()
{
    return {-1, 0, 0};
}
