#!/bin/sh
# The display goes away under a running game (the X server ends, the player
# logs out): the game must end, not linger. Played once on the SDL the game
# was built with and once through the desktop launcher, which uses the SDL 1.2
# compatibility layer where it is installed.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work lost

# Starts the command in the arguments in directory $1 on a fresh Xvfb, ends
# the Xvfb once the game's window is up, and fails unless the game is gone
# within 5 s.
lose_display_under()
{
    dir=$1
    shift
    start_xvfb 640x480x24
    start_game pid "$dir" env XDG_DATA_HOME="$WORK/data" "$@"
    game_window >/dev/null
    stop_xvfb
    expect_end "$pid" "$dir" 5
}

lose_display_under "$(make_game_dir "$WORK/game")" "$VLIM"
lose_display_under "$(make_game_dir "$WORK/launcher")" "$LAUNCHER"
echo "display lost: the game ends, on its own SDL and through the launcher"
