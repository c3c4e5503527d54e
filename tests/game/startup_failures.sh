#!/bin/sh
# Start-up of the real game where something is missing: the display, which
# ends it with a message, and the font, which it reports and plays on without.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
shipped_game
make_work startup

# No display: the X11 driver pointed at a display number with no server.
# SDL 1.2 opens the display already while it picks a video driver, and counts
# a driver whose display does not open as unavailable, so it is SDL_Init
# that fails ("No available video device"), not SDL_SetVideoMode: status 1.
display=7391
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
game=$(make_game_dir "$WORK/no-display")
status=0
(cd "$game" && DISPLAY=":$display" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$VLIM" >"$game.out" 2>"$game.err") ||
    status=$?
[ "$status" -eq 1 ] || fail "no display: exit status $status, expected 1"
[ "$(wc -l <"$game.err")" -eq 1 ] && grep -q "^Couldn't initialize SDL: ..*" "$game.err" ||
    fail "no display: stderr '$(cat "$game.err")'"
[ ! -s "$game.out" ] || fail "no display: stdout '$(cat "$game.out")'"

# No "font.ttf": one message on standard output per font size, and the game
# plays on without texts: a title screen with walls but no title word, then a
# run with the band in it.
game=$WORK/no-font
mkdir -p "$game"
printf '%s\n' "100 snapshot title.bmp" "200 keydown return" "260 snapshot run.bmp" "300 keydown c ctrl" \
    >"$WORK/no-font.script"
play_game 0 "$game" "$WORK/no-font.script"
[ "$(grep -c '^TTF_OpenFont: ..*' "$game.out")" -eq 2 ] && [ "$(wc -l <"$game.out")" -eq 2 ] ||
    fail "no font: stdout '$(cat "$game.out")', expected two TTF_OpenFont lines"
dump_pixels "$game/title.bmp" "$WORK/title.txt"
[ "$(count_colour "$WORK/title.txt" "$TEXT_RGB")" -eq 0 ] || fail "no font, yet text on the title screen"
[ "$(count_in_head "$WORK/title.txt" "$WALL_RGB" 0 $((CEILING_ALWAYS - 1)))" -eq "$CEILING_ALWAYS" ] ||
    fail "no font: no cave on the title screen"
dump_pixels "$game/run.bmp" "$WORK/run.txt"
is_fresh_band_in_play "$WORK/run.txt" || fail "no font: no band in play after Return (run.bmp)"

# Failures no real machine here can be made to produce, made by the script
# player (VLIM_FAIL): each reports the library's error text on its own
# stream. Plays game $1 with VLIM_FAIL=$1 and the script lines $2, expecting
# status $3.
fail_on_purpose()
{
    game=$(make_game_dir "$WORK/fail-$1")
    printf '%s\n' "$2" >"$game.script"
    play_game "$3" "$game" "$game.script" env VLIM_FAIL="$1"
    reason="failed on purpose (VLIM_FAIL=$1)"
}
fail_on_purpose video-mode "5 keydown c ctrl" 2
[ "$(cat "$game.err")" = "Couldn't set 320x240x16 video mode: $reason" ] && [ ! -s "$game.out" ] ||
    fail "video mode: stderr '$(cat "$game.err")', stdout '$(cat "$game.out")'"

fail_on_purpose ttf-init "5 keydown c ctrl" 2
[ "$(cat "$game.out")" = "TTF_Init: $reason" ] && [ ! -s "$game.err" ] ||
    fail "TTF_Init: stdout '$(cat "$game.out")', stderr '$(cat "$game.err")'"

# A joystick that does not open is reported and the game plays on the keyboard.
fail_on_purpose joystick "10 keydown return
40 snapshot run.bmp
50 keydown c ctrl" 0
[ "$(cat "$game.err")" = "Couldn't open joystick 0: $reason" ] && [ ! -s "$game.out" ] ||
    fail "joystick: stderr '$(cat "$game.err")', stdout '$(cat "$game.out")'"
dump_pixels "$game/run.bmp" "$WORK/joystick-run.txt"
[ "$(count_in_head "$WORK/joystick-run.txt" "$BAND_RGB")" -gt 0 ] || fail "joystick: no band in play after Return"

# A Start pressed as the window appears is kept, on both SDL 1.2 libraries
# (the classic one empties its whole queue when an event type is ignored):
# Return queued as SDL_SetVideoMode returns has started a run by frame 3.
# (No leak check on the compatibility layer: SDL 2 leaves libdbus's.)
compat=$(ls -d /usr/lib/*/sdl12-compat 2>/dev/null | head -n 1)
for sdl in classic ${compat:+compat}; do
    game=$(make_game_dir "$WORK/start-at-window-$sdl")
    printf '%s\n' "3 snapshot run.bmp" "5 keydown c ctrl" >"$game.script"
    case $sdl in classic) path="" leaks=1 ;; *) path=$compat leaks=0 ;; esac
    play_game 0 "$game" "$game.script" env VLIM_START_AT_WINDOW=1 LD_LIBRARY_PATH="$path" \
        ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=$leaks"
    dump_pixels "$game/run.bmp" "$game.txt"
    is_fresh_band_in_play "$game.txt" || fail "$sdl: Return as the window appeared was lost (run.bmp)"
done
[ -n "$compat" ] || echo "note: libsdl1.2-compat is not installed: a Start at the window tested on the classic library only"

# The launcher. Without HOME (and no XDG_DATA_HOME) there is no folder for
# the record: one line, status 1, nothing made at the root.
# Runs the launcher ($launcher, the build's unless said otherwise) from
# $WORK/$1 through the command in the remaining arguments; its status goes in
# status. (Leaks are not checked: SDL 2 under the compatibility layer, which
# the launcher uses, leaves libdbus's.)
launcher=$LAUNCHER
launch()
{
    name=$1
    shift
    mkdir -p "$WORK/$name"
    printf '%s\n' "10 keydown c ctrl" >"$WORK/$name.script"
    status=0
    (cd "$WORK/$name" && "$@" env SDL_VIDEODRIVER=dummy VLIM_VIRTUAL_TIME=1 VLIM_SCRIPT="$WORK/$name.script" \
        LD_PRELOAD="$GAME_SCRIPT" ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" "$launcher" \
        >"$WORK/$name.out" 2>"$WORK/$name.err") || status=$?
}
# (Run without the script player, which the launcher's own tools would be
# told to preload too: a game started anyway runs until the timeout.)
status=0
(cd "$WORK" && env -u XDG_DATA_HOME HOME= SDL_VIDEODRIVER=dummy timeout -k 1 10 "$LAUNCHER" \
    >"$WORK/no-home.out" 2>"$WORK/no-home.err") || status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <"$WORK/no-home.err")" -eq 1 ] && grep -q '^vlim: HOME is not set' "$WORK/no-home.err" ||
    fail "no HOME: status $status, stderr '$(cat "$WORK/no-home.err")'"
[ ! -e /.local/share/vlim ] || fail "no HOME: /.local/share/vlim was made"

# No display and no video driver chosen: one line and status 1 within a
# second, before anything is made, whichever SDL 1.2 the game would get.
# The launcher as on a machine without the compatibility layer is this one
# with the layer's folder renamed, beside a link to the game it starts; with
# a driver named, both start the game.
ln -s "$VLIM" "$WORK/$(basename "$VLIM")"
sed 's#/sdl12-compat/#/no-sdl12-compat/#' "$LAUNCHER" >"$WORK/classic-launcher"
chmod +x "$WORK/classic-launcher"
! cmp -s "$LAUNCHER" "$WORK/classic-launcher" || fail "the launcher no longer names the compatibility layer's folder"
for launcher in "$LAUNCHER" "$WORK/classic-launcher"; do
    status=0
    started=$(date +%s%N)
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_DATA_HOME="$WORK/no-display-data" \
        timeout -k 1 10 "$launcher" >"$WORK/no-display.out" 2>"$WORK/no-display.err" || status=$?
    took=$((($(date +%s%N) - started) / 1000000))
    [ "$status" -eq 1 ] && [ "$(wc -l <"$WORK/no-display.err")" -eq 1 ] && grep -q '^vlim: no display' "$WORK/no-display.err" &&
        [ ! -s "$WORK/no-display.out" ] || fail "no display ($launcher): status $status, stderr '$(cat "$WORK/no-display.err")'"
    [ "$took" -lt 1000 ] || fail "no display ($launcher): took $took ms"
    [ ! -e "$WORK/no-display-data" ] || fail "no display ($launcher): the data folder was made"
    launch chosen-driver env -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME="$WORK/chosen-driver-data"
    [ "$status" -eq 0 ] || fail "a chosen driver, no display ($launcher): status $status, stderr '$(cat "$WORK/chosen-driver.err")'"
done
launcher=$LAUNCHER

# A data folder that cannot be written but holds the right font link
# already: the game starts there.
if as_player true; then
    mkdir -p "$WORK/read-only-data/vlim"
    ln -s "$FONT" "$WORK/read-only-data/vlim/font.ttf"
    chmod 555 "$WORK/read-only-data/vlim"
    launch read-only-launch as_player env XDG_DATA_HOME="$WORK/read-only-data"
    chmod 755 "$WORK/read-only-data/vlim"
    [ "$status" -eq 0 ] || fail "read-only data folder: status $status, stderr '$(cat "$WORK/read-only-launch.err")'"
else
    echo "note: cannot drop root's file capabilities here: read-only data folder not tested"
fi

echo "start-up failures: as expected"
