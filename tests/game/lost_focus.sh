#!/bin/sh
# Steering must stop when its key is let go, however the release reaches the
# game: Up released in another window, held as the focus comes back, or let go
# while the game is stalled behind a flood of mouse motion. With nothing held
# a fresh band flies level at its start rows for good; steering stuck either
# way moves it off them within a few frames and into a wall within a second.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
{ command -v xdotool && command -v xev; } >/dev/null || { echo "SKIP: no xdotool or no xev"; exit 77; }
make_work focus

# Screenshots of the game's window.
shot() { window_shot "$window" "$@"; }
wait_for_screen() { wait_for_window "$window" "$@"; }
band_shown() { [ "$(count_in_head "$1" "$BAND_RGB")" -gt 0 ]; }

# From the title screen, so that any band seen is the new one: Return starts
# a band that must be at its start rows when seen and a second on (one stuck
# on Up or Down is dead by then), and which Up still lifts into the ceiling.
expect_level_flight()
{
    xdotool key Return
    wait_for_screen band_shown "$1" "$1: no band seen after Return, or one that crashed at once"
    is_fresh_band_in_play "$WORK/$1.txt" || fail "$1: the band left its start rows at once: see $1.png"
    sleep 1
    shot "$1-later"
    is_fresh_band_in_play "$WORK/$1-later.txt" || fail "$1: the band left its start rows within a second: see $1-later.png"
    xdotool keydown Up
    wait_for_screen is_title_screen "$1-climbed"
    xdotool keyup Up
}

# Case $1 on an Xvfb and a game of its own, ended by Control+C; the script
# player only keeps what the game holds, for the sanitizer build's leak check.
play_case()
{
    start_xvfb 640x480x24
    start_game pid "$(make_game_dir "$WORK/$1")" env LD_PRELOAD="$GAME_SCRIPT" "$VLIM"
    window=$(game_window)
    xdotool windowfocus --sync "$window"
    wait_for_screen is_title_screen "$1-title"
    "$1" "$1"
    xdotool key ctrl+c
    expect_end "$pid" "$WORK/$1" 10 0
}

released_elsewhere()
{
    # Without a window manager only xdotool moves the focus: to xev's window.
    mkdir "$WORK/other"
    start_game other "$WORK/other" xev -name elsewhere -geometry 100x100+400+300 -event keyboard
    there=$(timeout 20 xdotool search --sync --onlyvisible --name '^elsewhere$' | head -n 1)
    [ -n "$there" ] || fail "no window to move the focus to"
    # Up held here, released there. SDL posts a release of its own as the
    # focus goes, classic SDL after the focus loss: Up must count once.
    xdotool keydown Up windowfocus --sync "$there" keyup Up windowfocus --sync "$window"
    expect_level_flight "$1-away"
    # Up held as the focus comes back, pressed here or there, released here:
    # classic SDL marks it held without a press; the release must take none.
    xdotool keydown Up windowfocus --sync "$there" windowfocus --sync "$window" keyup Up
    xdotool windowfocus --sync "$there" keydown Up windowfocus --sync "$window" keyup Up
    expect_level_flight "$1-back"
}

flood_while_stalled()
{
    # Up's press, 300 motions (more than SDL 1.2 queues), its release: all
    # waiting for the game at once.
    moves=$(seq 300 | awk -v w="$window" '{ printf "mousemove --window %s %d %d ", w, 10 + $1 % 300, 60 + $1 % 2 * 100 }')
    kill -STOP "$pid"
    # shellcheck disable=SC2086  # one word per argument
    xdotool keydown Up $moves keyup Up
    kill -CONT "$pid"
    expect_level_flight "$1-level"
}

failed=""
for case in released_elsewhere flood_while_stalled; do
    # Each case runs, whichever fails; set -e would not hold left of ||.
    set +e; (set -e; play_case $case); status=$?; set -e
    [ $status -eq 0 ] || failed="$failed $case"
done
[ -z "$failed" ] || fail "steering stuck or lost in:$failed"
echo "lost focus: Up released elsewhere, held through a focus change or behind a mouse flood steers no more"
