#!/bin/sh
# Start-up of the real game where something is missing: the display, which
# ends it with a message, and the font, which it reports and plays on without.
set -eu
. "$(dirname "$0")/game_test_lib.sh"
make_work startup

# No display: the X11 driver pointed at a display number with no server.
# SDL 1.2 opens the display already while it picks a video driver, and counts
# a driver whose display does not open as unavailable, so it is SDL_Init
# that fails ("No available video device"), not SDL_SetVideoMode: status 1.
display=7391
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
game=$work/no-display
make_game_dir "$game"
status=0
(cd "$game" && DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$VLIM" >out 2>err) || status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status, expected 1"
[ "$(wc -l <"$game/err")" -eq 1 ] && grep -q "^Couldn't initialize SDL: ..*" "$game/err" ||
    fail "no display: stderr '$(cat "$game/err")'"
[ ! -s "$game/out" ] || fail "no display: stdout '$(cat "$game/out")'"

# No "font.ttf": one message on standard output per font size, and the game
# plays on without texts: a title screen with walls but no title word, then a
# run with the band in it.
game=$work/no-font
mkdir -p "$game"
cat >"$work/no-font.script" <<EOF
100 snapshot title.bmp
200 keydown return
260 snapshot run.bmp
300 keydown c ctrl
EOF
run_scripted "$game" "$work/no-font.script"
expect_status "$game" 0
[ "$(grep -c '^TTF_OpenFont: ..*' "$game/out")" -eq 2 ] && [ "$(wc -l <"$game/out")" -eq 2 ] ||
    fail "no font: stdout '$(cat "$game/out")', expected two TTF_OpenFont lines"
dump_pixels "$game/title.bmp" "$work/title.txt"
# shellcheck disable=SC2086
[ "$(count_colour "$work/title.txt" 0 0 319 239 $TEXT)" -eq 0 ] || fail "no font, yet text on the title screen"
# shellcheck disable=SC2086
[ "$(count_colour "$work/title.txt" 99 0 99 29 $WALL)" -eq 30 ] || fail "no font: no cave on the title screen"
dump_pixels "$game/run.bmp" "$work/run.txt"
is_fresh_band_in_play "$work/run.txt" || fail "no font: no band in play after Return (run.bmp)"

echo "start-up failures: as expected"
