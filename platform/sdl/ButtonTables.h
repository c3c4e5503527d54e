// Which game button each key and joystick button is: data, one table per
// kind of input. The keyboard's is always read; of the joystick's, the build
// chooses one by name (VLIM_BUTTONS): "gp2x", the GP2X's own numbers, or
// "pad", a standard pad in SDL 2's game controller order, as the SDL 1.2
// compatibility layer passes it on with SDL12COMPAT_USE_GAME_CONTROLLERS.
#pragma once

#include "platform/Platform.h"

struct ButtonBinding {
    int code;           // an SDLKey for the keyboard, a button number for a joystick
    GameButton button;
};

struct ButtonTable {
    const char* name;
    const ButtonBinding* bindings;
    int count;
    // The axis that steers: pushed past half-way up it holds Up, past
    // half-way down Down. -1: the table reads no axis.
    int stickAxis;
};

// The keyboard's: the arrows steer, Space splits, Return starts. Control+C
// quits, which no table holds.
extern const ButtonTable KEYBOARD_BUTTONS;

// The joystick table called name; null when there is none of that name.
const ButtonTable* findButtonTable(const char* name);
// The joystick table the build chose (VLIM_BUTTONS).
const ButtonTable& buildJoystickTable();

// The button that code is in table; false when it is none.
bool findButton(const ButtonTable& table, int code, GameButton& button);
