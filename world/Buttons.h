// What each joystick button and axis does. The build links one table
// (VLIM_BUTTONS): the GP2X's own numbers, or a standard pad's as SDL 2
// numbers them.
#pragma once

#include <SDL.h>
#include <cstdint>

// GP2X joystick buttons.
enum Gp2xButton {
    GP2X_UP = 0, GP2X_UP_LEFT = 1, GP2X_DOWN_LEFT = 3, GP2X_DOWN = 4,
    GP2X_DOWN_RIGHT = 5, GP2X_UP_RIGHT = 7, GP2X_START = 8, GP2X_SELECT = 9,
    GP2X_B = 13,
};

// A standard pad's buttons and axes in SDL 2's game controller order, which
// the SDL 1.2 compatibility layer passes on as joystick numbers when
// SDL12COMPAT_USE_GAME_CONTROLLERS is set.
enum PadButton {
    PAD_SOUTH = 0, PAD_EAST = 1, PAD_WEST = 2, PAD_NORTH = 3, PAD_BACK = 4, PAD_GUIDE = 5,
    PAD_START = 6, PAD_LEFT_STICK = 7, PAD_RIGHT_STICK = 8, PAD_LEFT_SHOULDER = 9,
    PAD_RIGHT_SHOULDER = 10, PAD_DPAD_UP = 11, PAD_DPAD_DOWN = 12, PAD_DPAD_LEFT = 13,
    PAD_DPAD_RIGHT = 14,
};
enum PadAxis { PAD_LEFT_X = 0, PAD_LEFT_Y = 1 };

struct ButtonRole {
    enum Kind { None, Steer, Split, Start, Quit } kind;
    int direction;  // Steer: -1 up, +1 down
    uint16_t bit;   // Steer: its bit in GameWorld::steeringHeld, below 1 << 8
};

// The role of joystick button `button` in this build's table.
ButtonRole buttonRole(Uint8 button);

// The stick that steers, if the table has one: pushed past half-way up or
// down it holds the up or the down bit (bits below 1 << 8, apart from the
// buttons').
struct StickSteering {
    int axis;  // -1: the table reads no axis
    uint16_t upBit, downBit;
};
StickSteering stickSteering();
