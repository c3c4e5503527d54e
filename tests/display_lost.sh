#!/bin/sh
# The display goes away under a running game (the X server ends, the player
# logs out): the game must end, not linger. Played once on the SDL the game
# was built with and once through the desktop launcher, which uses the SDL 1.2
# compatibility layer where it is installed.
set -eu
. "$(dirname "$0")/game_test_lib.sh"

make_work lost

# Starts $@ on a fresh Xvfb, ends the Xvfb once the game's window is up, and
# fails unless the game is gone within 5 s.
lose_display_under()
{
    start_xvfb 640x480x24
    XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy "$@" >"$work/out" 2>"$work/err" &
    game_pid=$!
    timeout 20 xdotool search --sync --onlyvisible --classname vlim >/dev/null ||
        fail "no vlim window appeared: $(cat "$work/err")"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
    tries=0
    while kill -0 "$game_pid" 2>/dev/null; do
        tries=$((tries + 1))
        [ $tries -le 50 ] || fail "$1 still runs 5 s after its display went away"
        sleep 0.1
    done
    game_pid=""
}

game=$work/game
make_game_dir "$game"
(cd "$game" && lose_display_under "$VLIM")
lose_display_under "$(dirname "$VLIM")/vlim-launch"
echo "display lost: the game ends, on its own SDL and through the launcher"
