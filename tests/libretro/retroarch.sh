#!/bin/sh
# The core in Debian's RetroArch, in a window under Xvfb, played through
# RetroArch's default keyboard mapping and judged from screenshots: the title
# screen at the core's size, Start (Return) begins a run, Select (right
# Shift) makes the core ask to shut down, at which RetroArch closes it and
# exits cleanly; and the core warns of nothing on the way.
#   retroarch.sh BUILD CORE INFO SHOTS_DIR
# The screenshots of the title and the run are left in SHOTS_DIR.
set -eu
. "$(dirname "$0")/../game/harness.sh"
use_build "$1"
shots=$4
rm -f "$shots/retroarch-title.png" "$shots/retroarch-run.png"
command -v retroarch >/dev/null || { echo "SKIP: retroarch is not installed"; exit 77; }
make_work retroarch
start_xvfb 640x480x24

# RetroArch's defaults but for what a test needs: the window at the core's
# size, unsmoothed, so that its pixels are the core's; our own folders; and
# no sound card. RetroArch reads the info files of the cores in its cores
# folder only, and writes its cache of them there: the core and its info
# file are linked into one of ours. Xvfb cannot wait for a vertical blank and the null audio
# driver does not pace either, so without the content-rate loop RetroArch
# would spin one core flat out, and a busy machine's other tests with it.
# No on-screen notifications: RetroArch announces saving its config at
# start over the bottom of the picture, where the prompt and the floor are
# judged. And RetroArch is to quit when the core asks it to (Select, below).
mkdir "$WORK/home" "$WORK/saves" "$WORK/ra" "$WORK/cores"
ln -s "$2" "$3" "$WORK/cores/"
log=$WORK/retroarch.log
cat >"$WORK/retroarch.cfg" <<EOF
video_driver = "gl"
video_scale = "1.000000"
video_smooth = "false"
savefile_directory = "$WORK/saves"
libretro_directory = "$WORK/cores"
libretro_info_path = "$WORK/cores"
audio_driver = "null"
vrr_runloop_enable = "true"
video_font_enable = "false"
load_dummy_on_core_shutdown = "false"
EOF
start_game pid "$WORK/ra" env HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home" \
    retroarch --verbose --log-file="$log" --config="$WORK/retroarch.cfg" --libretro="$WORK/cores/$(basename "$2")"

# RetroArch starting up on llvmpipe on a busy machine takes a while.
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^RetroArch' | head -n 1) || true
[ -n "$window" ] || fail "no RetroArch window appeared: see $log"
# Without a window manager keys reach only the window with the focus, and
# RetroArch pauses by default in a window without it.
xdotool windowfocus --sync "$window"

# The title screen, with the prompt under it.
prompt_pixels()
{
    count_colour "$1" "$TEXT_RGB" 100 195 "$SCREEN_WIDTH" 230
}
is_title()
{
    is_title_screen "$1" && [ "$(prompt_pixels "$1")" -ge 50 ]
}
wait_for_window "$window" is_title title "RetroArch does not show the title screen"
size=$(identify -format %wx%h "$WORK/title.png")
[ "$size" = "${SCREEN_WIDTH}x$SCREEN_HEIGHT" ] || fail "the window is $size, not the core's ${SCREEN_WIDTH}x$SCREEN_HEIGHT"
cp "$WORK/title.png" "$shots/retroarch-title.png"

# A run: the band between the walls, the title word and the prompt under it
# gone, the score in the top left corner (its digit, smoothed onto the wall,
# leaves some 60 of the corner's 930 pixels not wall). Return is held until
# the run shows, so that a press between two of RetroArch's polls is not
# missed; another Start in the run only starts it again.
is_run()
{
    is_fresh_band_in_play "$1" && [ "$(count_colour "$1" "$TEXT_RGB" 30 0 250 80)" -lt 20 ] &&
        [ "$(prompt_pixels "$1")" -eq 0 ] &&
        [ "$(count_colour "$1" "$WALL_RGB" 0 0 29 30)" -le 910 ]
}
xdotool keydown Return
wait_for_window "$window" is_run run "Return (RetroPad Start) did not start a run"
xdotool keyup Return
cp "$WORK/run.png" "$shots/retroarch-run.png"

# Select: the core asks to shut down, and RetroArch closes it and exits.
# (By default it would go on with its menu on a stand-in core instead, and
# could then lose a SIGTERM, or exit 1 on one, while it brings that up.)
xdotool keydown Shift_R
expect_end "$pid" "$WORK/ra" 30 0
xdotool keyup Shift_R
grep -qF "[Environ]: SHUTDOWN." "$log" || fail "RetroArch exited, but not at the core's request: see $log"
grep -qF "[Core]: Unloading core.." "$log" || fail "RetroArch exited without closing the core: see $log"
! grep -E '^\[libretro (WARN|ERROR)\]' "$log" >&2 || fail "the core warned in RetroArch's log: see $log"
echo "RetroArch: title screen at ${SCREEN_WIDTH}x$SCREEN_HEIGHT, Return started a run, right Shift closed the core and RetroArch"
