// game_constants: the game's numbers that the whole-game tests and tools
// judge it by, printed as shell assignments for the harness, so that no
// script restates them.
#include <cstdio>

#include "app/FrameSchedule.h"
#include "platform/sdl/Icon.h"
#include "app/Screens.h"
#include "bands/Band.h"
#include "cave/Cave.h"
#include "platform/sdl/ButtonTables.h"
#include "tests/game/shim.h"

// The script player is C and cannot include the game's headers.
static_assert(VIRTUAL_FRAME_MS == FRAME_PERIOD_MS, "a virtual frame lasts one frame period");

int main()
{
    std::printf("WALL_RGB='%d %d %d'\n", WALL_COLOUR[0], WALL_COLOUR[1], WALL_COLOUR[2]);
    std::printf("BAND_RGB='%d %d %d'\n", BAND_COLOUR[0], BAND_COLOUR[1], BAND_COLOUR[2]);
    std::printf("TEXT_RGB='%d %d %d'\n", TEXT_COLOUR[0], TEXT_COLOUR[1], TEXT_COLOUR[2]);
    std::printf("SCREEN_WIDTH=%d SCREEN_HEIGHT=%d\n", SCREEN_WIDTH, SCREEN_HEIGHT);
    // A fresh band's head: its screen column and rows.
    std::printf("HEAD_COLUMN=%d BAND_FIRST_ROW=%d BAND_LAST_ROW=%d\n", TRAIL_LENGTH - 1,
                static_cast<int>(START_TOP_EDGE), static_cast<int>(START_BOTTOM_EDGE) - 1);
    // Rows that the cave never leaves open: above the lowest ceiling, from
    // the highest floor on.
    std::printf("CEILING_ALWAYS=%d FLOOR_ALWAYS=%d\n", CEILING_MIDLINE - static_cast<int>(WALL_AMPLITUDE),
                FLOOR_MIDLINE + static_cast<int>(WALL_AMPLITUDE));
    // The column formula: radians' columns of the ceiling and the floor,
    // the amplitude and the two midlines.
    std::printf("CAVE_FORMULA='%g %g %g %d %d'\n", CEILING_COLUMNS_PER_RADIAN, FLOOR_COLUMNS_PER_RADIAN, WALL_AMPLITUDE,
                CEILING_MIDLINE, FLOOR_MIDLINE);
    std::printf("WINDOW_ICON_SIZE=%d\n", WINDOW_ICON_SIZE);
    // The first joystick button of each game button in the build's table
    // (printed from the last, so that the first is the one assigned last).
    const char* const names[GAME_BUTTON_COUNT] = {"UP", "DOWN", "SPLIT", "START", "SELECT"};
    const ButtonTable& joystick = buildJoystickTable();
    for (int i = joystick.count - 1; i >= 0; --i)
        std::printf("JOY_%s=%d\n", names[int(joystick.bindings[i].button)], joystick.bindings[i].code);
    std::printf("VIRTUAL_CPU_MICROS_PER_FRAME=%d\n", VIRTUAL_CPU_MICROS_PER_FRAME);
    std::printf("SHIM_STATUS_LEAK=%d SHIM_STATUS_OVERRUN=%d SHIM_STATUS_BAD_SCRIPT=%d\n", SHIM_STATUS_LEAK,
                SHIM_STATUS_OVERRUN, SHIM_STATUS_BAD_SCRIPT);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
