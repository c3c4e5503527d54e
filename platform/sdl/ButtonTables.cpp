// The tables of keys and buttons.
#include "platform/sdl/ButtonTables.h"

#include <SDL.h>

#include <cstring>

namespace {

constexpr GameButton UP = GameButton::Up, DOWN = GameButton::Down, SPLIT = GameButton::Split,
                 START = GameButton::Start, SELECT = GameButton::Select;

constexpr ButtonBinding KEYS[] = {
    {SDLK_UP, UP}, {SDLK_DOWN, DOWN}, {SDLK_SPACE, SPLIT}, {SDLK_RETURN, START},
};

// The GP2X: 0 to 7 are the stick's eight directions (those with up or down
// in them steer): Up 0, Up-Left 1, Down-Left 3, Down 4, Down-Right 5,
// Up-Right 7; Start 8, Select 9, B 13.
constexpr ButtonBinding GP2X[] = {
    {0, UP}, {1, UP}, {7, UP}, {3, DOWN}, {4, DOWN}, {5, DOWN}, {8, START}, {9, SELECT}, {13, SPLIT},
};

// A standard pad (Xbox, PlayStation, Switch layouts alike) in SDL 2's game
// controller order: the d-pad's up (11) and down (12) and the left stick
// (axis 1) steer, South (0) and East (1) split, Start (6) starts, Back (4)
// quits as Select does on the GP2X.
constexpr ButtonBinding PAD[] = {
    {11, UP}, {12, DOWN}, {0, SPLIT}, {1, SPLIT}, {6, START}, {4, SELECT},
};
constexpr int PAD_LEFT_Y = 1;

template <int N>
constexpr int countOf(const ButtonBinding (&)[N])
{
    return N;
}

// HeldInputs keeps a table's held inputs in 32 bits.
static_assert(countOf(KEYS) <= 32 && countOf(GP2X) <= 32 && countOf(PAD) <= 32, "a table of at most 32");

constexpr ButtonTable JOYSTICK_TABLES[] = {
    {"gp2x", GP2X, countOf(GP2X), -1},
    {"pad", PAD, countOf(PAD), PAD_LEFT_Y},
};

constexpr bool sameName(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Where the table called name is in JOYSTICK_TABLES; -1: nowhere.
constexpr int tableIndex(const char* name)
{
    for (int i = 0; i < int(sizeof JOYSTICK_TABLES / sizeof JOYSTICK_TABLES[0]); ++i) {
        if (sameName(JOYSTICK_TABLES[i].name, name))
            return i;
    }
    return -1;
}

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

// Chosen while compiling, so the game looks nothing up at run time.
const ButtonTable& buildJoystickTable()
{
    constexpr int chosen = tableIndex(VLIM_BUTTONS);
    static_assert(chosen >= 0, "VLIM_BUTTONS names no joystick table");
    return JOYSTICK_TABLES[chosen];
}
