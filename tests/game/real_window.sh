#!/bin/sh
# The real game in a real X window (Xvfb, no window manager), driven with
# xdotool and judged from screenshots of the screen as a player sees it:
# the title screen, Return, the band between the cave walls, Control+C; and
# the window's name and icon, as a window manager reads them.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work window
start_xvfb 640x480x24

game=$(make_game_dir "$WORK/game")
# The script player without a script plays nothing: it only keeps what the
# game holds until it ends, for the leak check of the sanitizer build.
start_game pid "$game" env LD_PRELOAD="$GAME_SCRIPT" "$VLIM"

# Without a window manager keys reach only the window that has the focus,
# and only a mapped window can take it.
window=$(game_window)
xdotool windowfocus --sync "$window"

# Screenshots of the game's window, not of the whole screen: classic SDL 1.2
# maps it at the screen's top left corner, the compatibility layer over SDL 2
# in its middle.
wait_for_window "$window" is_title_screen title
expect_name_and_icon "$window"
xdotool key Return
wait_for_window "$window" is_fresh_band_in_play run
[ "$(count_colour "$WORK/run.txt" "$TEXT_RGB" 30 0 250 80)" -lt 20 ] || fail "the title word stayed up during the run"

xdotool key ctrl+c
expect_end "$pid" "$game" 10 0

echo "real window: named vlim with its icon, title screen, band between the walls, Control+C ends it"
