// The tables of keys and buttons.
#include "platform/sdl/ButtonTables.h"

#include <SDL.h>

#include <cstring>

namespace {

const GameButton UP = GameButton::Up, DOWN = GameButton::Down, SPLIT = GameButton::Split,
                 START = GameButton::Start, SELECT = GameButton::Select;

const ButtonBinding KEYS[] = {
    {SDLK_UP, UP}, {SDLK_DOWN, DOWN}, {SDLK_SPACE, SPLIT}, {SDLK_RETURN, START},
};

// The GP2X: 0 to 7 are the stick's eight directions (those with up or down
// in them steer): Up 0, Up-Left 1, Down-Left 3, Down 4, Down-Right 5,
// Up-Right 7; Start 8, Select 9, B 13.
const ButtonBinding GP2X[] = {
    {0, UP}, {1, UP}, {7, UP}, {3, DOWN}, {4, DOWN}, {5, DOWN}, {8, START}, {9, SELECT}, {13, SPLIT},
};

// A standard pad (Xbox, PlayStation, Switch layouts alike) in SDL 2's game
// controller order: the d-pad's up (11) and down (12) and the left stick
// (axis 1) steer, South (0) and East (1) split, Start (6) starts, Back (4)
// quits as Select does on the GP2X.
const ButtonBinding PAD[] = {
    {11, UP}, {12, DOWN}, {0, SPLIT}, {1, SPLIT}, {6, START}, {4, SELECT},
};
const int PAD_LEFT_Y = 1;

template <int N>
constexpr int countOf(const ButtonBinding (&)[N])
{
    return N;
}

const ButtonTable JOYSTICK_TABLES[] = {
    {"gp2x", GP2X, countOf(GP2X), -1},
    {"pad", PAD, countOf(PAD), PAD_LEFT_Y},
};

}  // namespace

const ButtonTable KEYBOARD_BUTTONS = {"keyboard", KEYS, countOf(KEYS), -1};

const ButtonTable* findButtonTable(const char* name)
{
    for (const ButtonTable& table : JOYSTICK_TABLES) {
        if (strcmp(table.name, name) == 0)
            return &table;
    }
    return nullptr;
}

bool findButton(const ButtonTable& table, int code, GameButton& button)
{
    for (int i = 0; i < table.count; ++i) {
        if (table.bindings[i].code == code) {
            button = table.bindings[i].button;
            return true;
        }
    }
    return false;
}
