// game_constants: prints, as shell assignments, the game's numbers that the
// whole-game tests and tools judge the real game by (colours, sizes, where a
// fresh band is drawn, the script player's virtual time and statuses), so
// that no shell script restates them. The harness evaluates its output.
#include <cstdio>

#include "app/FrameSchedule.h"
#include "app/Screens.h"
#include "bands/Band.h"
#include "cave/Cave.h"
#include "tests/game/shim_constants.h"
#include "world/Screen.h"

// The script player is C and cannot include the game's headers: its virtual
// frame is checked against the game's own here.
static_assert(VIRTUAL_FRAME_MS == FRAME_PERIOD_MS, "a virtual frame lasts one frame period");

namespace {

void colour(const char* name, int r, int g, int b)
{
    std::printf("%s='%d %d %d'\n", name, r, g, b);
}

void number(const char* name, long value)
{
    std::printf("%s=%ld\n", name, value);
}

}  // namespace

int main()
{
    colour("WALL_RGB", WALL_COLOUR[0], WALL_COLOUR[1], WALL_COLOUR[2]);
    colour("BAND_RGB", BAND_COLOUR[0], BAND_COLOUR[1], BAND_COLOUR[2]);
    colour("TEXT_RGB", TEXT_COLOUR.r, TEXT_COLOUR.g, TEXT_COLOUR.b);
    number("SCREEN_WIDTH", SCREEN_WIDTH);
    number("SCREEN_HEIGHT", SCREEN_HEIGHT);
    // A fresh band's head: screen column 99, rows 110..129.
    number("HEAD_COLUMN", TRAIL_LENGTH - 1);
    number("BAND_FIRST_ROW", static_cast<long>(START_TOP_EDGE));
    number("BAND_LAST_ROW", static_cast<long>(START_BOTTOM_EDGE) - 1);
    // Rows the cave never leaves open: above the lowest ceiling, below the
    // highest floor.
    number("CEILING_ALWAYS", CEILING_MIDLINE - static_cast<long>(WALL_AMPLITUDE));
    number("FLOOR_ALWAYS", FLOOR_MIDLINE + static_cast<long>(WALL_AMPLITUDE));
    number("VIRTUAL_CPU_MICROS_PER_FRAME", VIRTUAL_CPU_MICROS_PER_FRAME);
    number("SHIM_STATUS_LEAK", SHIM_STATUS_LEAK);
    number("SHIM_STATUS_OVERRUN", SHIM_STATUS_OVERRUN);
    number("SHIM_STATUS_BAD_SCRIPT", SHIM_STATUS_BAD_SCRIPT);
    number("SHIM_STATUS_NO_TIMES_FILE", SHIM_STATUS_NO_TIMES_FILE);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
