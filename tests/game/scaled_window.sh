#!/bin/sh
# The desktop launcher on a 1920x1080 screen: through the SDL 1.2
# compatibility layer the 320x240 playfield fills a 1280x960 window, and every
# pixel of the window shows the game's pixel at that scale, nearest-neighbour;
# the window is named vlim and carries the game's icon.
# With VLIM_WINDOW_PICTURE set, the screenshot is kept there (tools/screenshots).
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
need_compat_layer
make_work scaled
start_xvfb 1920x1080x24

# Frame 65 of a run: a split in flight. The game stops itself once that frame
# is on the display, so the window can be read at leisure, and quits when it
# is woken.
printf '%s\n' "10 keydown return" "20 keydown space" "50 keyup space" \
    "65 snapshot $WORK/frame.bmp" "65 pause" "66 keydown c ctrl" >"$WORK/script"
# In the sanitizer build: SDL 2 under the layer leaves blocks of libdbus's
# behind at exit, and without frame pointers in those libraries the leak
# checker cannot say where their children came from, so no suppression can
# name them. The game's own leaks are checked by the other whole-game tests.
mkdir "$WORK/launcher"
start_game pid "$WORK/launcher" env ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" XDG_DATA_HOME="$WORK/data" \
    VLIM_VIRTUAL_TIME=1 VLIM_SCRIPT="$WORK/script" LD_PRELOAD="$GAME_SCRIPT" "$LAUNCHER"

tries=0
until [ "$(ps -o stat= -p "$pid" | cut -c1)" = T ]; do
    tries=$((tries + 1))
    [ $tries -le 200 ] && game_running "$pid" || fail "the game never reached frame 65: $(cat "$WORK/launcher.err")"
    sleep 0.05
done

window=$(game_window)
geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h "+" x "+" y}')
[ "${geometry%%+*}" = 1280x960 ] || fail "the window is ${geometry%%+*}, expected 1280x960 (scale 4)"
expect_name_and_icon "$window"

import -window root -crop "$geometry" +repage "$WORK/window.png"
convert "$WORK/frame.bmp" -filter point -resize 400% "$WORK/expected.png"
# The playfield's 16-bit colours reach 24 bits by two roads (the compatibility
# layer, ImageMagick reading the BMP) that may fill the low bits differently:
# allow 3 % a channel, far less than lies between any two colours of the game.
differing=$(compare -fuzz 3% -metric AE "$WORK/window.png" "$WORK/expected.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "$differing of the window's pixels differ from the playfield at scale 4"
[ -z "${VLIM_WINDOW_PICTURE:-}" ] || convert "$WORK/window.png" -strip "$VLIM_WINDOW_PICTURE"

kill -CONT "$pid"
expect_end "$pid" "$WORK/launcher" 10 0
echo "scaled window: 1280x960, the playfield at scale 4 pixel for pixel, named vlim with its icon"
