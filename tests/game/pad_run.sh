#!/bin/sh
# A standard pad, as a desktop player plugs one in: the launcher runs the
# game on the SDL 1.2 compatibility layer in its game controller mode, over
# SDL 2, where an Xbox pad in the xpad driver's numbering is attached
# (virtual_pad.c). Start starts a run, South held splits the band, the d-pad
# pushed down steers both halves down, Back quits; the left stick pushed
# down steers exactly as the d-pad does.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
need_compat_layer
[ -n "$VIRTUAL_PAD" ] || {
    echo "SKIP: the virtual pad was not built (libsdl2-dev)"
    exit 77
}
[ "$BUTTONS" = pad ] || {
    echo "SKIP: this build reads the GP2X's numbers (VLIM_BUTTONS=$BUTTONS)"
    exit 77
}
make_work pad

# Plays pad script $WORK/$1.pad through the launcher in a data folder of its
# own, $WORK/$1, with snapshots of frames 45 and 55 and no key pressed. SDL
# 2 drops a pad's presses while none of its windows has the keyboard's
# focus, and the dummy video driver's window never has it: the hint lets
# them through.
play_pad()
{
    printf '%s\n' "45 snapshot $1-45.bmp" "55 snapshot $1-55.bmp" >"$WORK/keys.script"
    mkdir -p "$WORK/$1"
    status=0
    (cd "$WORK/$1" && env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1 \
        XDG_DATA_HOME="$WORK/$1" \
        ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" VLIM_VIRTUAL_TIME=1 VLIM_SCRIPT="$WORK/keys.script" \
        VLIM_PAD_SCRIPT="$WORK/$1.pad" LD_PRELOAD="$GAME_SCRIPT $VIRTUAL_PAD" "$LAUNCHER" \
        >"$WORK/$1.out" 2>"$WORK/$1.err") || status=$?
    expect_status "$WORK/$1" 0 "$status"
}

# The rows of the head column that hold a band, as "top-bottom" runs.
band_runs()
{
    dump_pixels "$1" "$WORK/pixels.txt"
    awk -F'[^0-9]+' -v x="$HEAD_COLUMN" -v rgb="$BAND_RGB" '
        BEGIN { split(rgb, c, " ") }
        function near(v, w) { return v - w <= 8 && w - v <= 8 }
        NR > 1 && $1 == x && near($3, c[1]) && near($4, c[2]) && near($5, c[3]) { band[$2] = 1 }
        END {
            for (y = 0; y <= 240; y++) {
                if ((y in band) && !((y - 1) in band)) top = y
                if ((y in band) && !((y + 1) in band)) printf "%s%d-%d", n++ ? " " : "", top, y
            }
            print ""
        }' "$WORK/pixels.txt"
}

# Start after frame 10, South held from 20 to 90, Back at 100.
common="10 press start
20 press south
90 release south
100 press back"
printf '%s\n' "$common" >"$WORK/still.pad"
printf '%s\n' "$common" "45 press down" "95 release down" | sort -s -n -k1,1 >"$WORK/dpad.pad"
printf '%s\n' "$common" "45 lefty 30000" "95 lefty 0" | sort -s -n -k1,1 >"$WORK/stick.pad"
for run in still dpad stick; do
    play_pad "$run"
    [ -s "$WORK/$run/vlim/$run-55.bmp" ] || fail "$run: no snapshot of frame 55"
done

# South split the band: two halves, apart, in every run at frame 45.
still45=$(band_runs "$WORK/still/vlim/still-45.bmp")
set -- $still45
[ $# -eq 2 ] || fail "South held since frame 20 left '$still45' in the head column at frame 45, not two bands"
[ "$(band_runs "$WORK/dpad/vlim/dpad-45.bmp")" = "$still45" ] || fail "the d-pad steered before it was pushed"

# The d-pad pushed down from frame 45 moved both halves down.
still55=$(band_runs "$WORK/still/vlim/still-55.bmp")
dpad55=$(band_runs "$WORK/dpad/vlim/dpad-55.bmp")
set -- $still55 $dpad55
[ $# -eq 4 ] || fail "at frame 55: '$still55' without steering, '$dpad55' with the d-pad down: not two bands each"
for pair in "$1 $3" "$2 $4"; do
    set -- $pair
    [ "${2%-*}" -gt "${1%-*}" ] || fail "a half at rows $2 with the d-pad down, $1 without: it did not move down"
done

# The left stick past half-way is the d-pad's down, frame for frame.
cmp -s "$WORK/dpad/vlim/dpad-55.bmp" "$WORK/stick/vlim/stick-55.bmp" ||
    fail "the left stick pushed down steered otherwise than the d-pad: $(band_runs "$WORK/stick/vlim/stick-55.bmp") against $dpad55"

echo "pad run: South split ($still45), the d-pad and the stick moved both halves down ($still55 -> $dpad55), Back quit"
