#!/bin/sh
# The standard run of the game's frame loop on the scripted platform, on
# virtual time: start a run, split, merge, fly on, die, see the title screen,
# quit. Then the record file
# must hold exactly this run's figures, and later runs must leave a record
# they do not beat alone.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work whole-run

# The score at the top left changes in the frame of the merge.
frames=$(seq 100 140 | sed 's/.*/& snapshot hud&.bmp/')
standard_run "$frames" "229 snapshot straight.bmp" "320 snapshot title.bmp" >"$WORK/run.script"

game=$(make_game_dir "$WORK/first")
play_game 0 "$game" "$WORK/run.script"
[ ! -s "$game.out" ] || fail "unexpected output: $(cat "$game.out")"

# Byte for byte: the current layout, no newline.
expect_file "$game/highscore.dat" "$STANDARD_RECORD"

# The recorded time is processor time from the split's frame to the merge's:
# the split starts in the frame after Space, reading the clock at
# STANDARD_SPLIT_FRAME frames; find the merge's frame on screen, by the
# score text.
score_area()
{
    convert "$game/hud$1.bmp" -crop 60x20+10+5 +repage -depth 8 rgb:- | cksum
}
before=$(score_area 100)
merge=""
for frame in $(seq 101 140); do
    if [ "$(score_area "$frame")" != "$before" ]; then
        merge=$frame
        break
    fi
done
[ -n "$merge" ] || fail "the score never changed in frames 100..140: no merge"
# The merge's update ran before its own flip, so its clock read merge - 1 frames.
expected_time=$(awk -v frames=$((merge - 1 - STANDARD_SPLIT_FRAME)) -v us="$VIRTUAL_CPU_MICROS_PER_FRAME" \
    'BEGIN { printf "%g", frames * us / 1000000 }')
recorded_time=$(cut -d' ' -f3 "$game/highscore.dat")
[ "$recorded_time" = "$expected_time" ] ||
    fail "split time $recorded_time, but frames $STANDARD_SPLIT_FRAME..$merge make $expected_time"

# Up and Down held together steer nowhere: the band was still in place.
dump_pixels "$game/straight.bmp" "$WORK/straight.txt"
[ "$(count_in_head "$WORK/straight.txt" "$BAND_RGB" 100 140)" -eq 20 ] ||
    fail "with Up and Down held the band left its place (straight.bmp)"

dump_pixels "$game/title.bmp" "$WORK/title.txt"
is_title_screen "$WORK/title.txt" || fail "no title screen after the band died (title.bmp)"

# The same run again does not beat the record: the file is not rewritten
# (a rewrite replaces it, so its inode or time would change).
before=$(stat -c '%i %y' "$game/highscore.dat")
play_game 0 "$game" "$WORK/run.script"
[ "$(stat -c '%i %y' "$game/highscore.dat")" = "$before" ] || fail "an equal run rewrote highscore.dat"
expect_file "$game/highscore.dat" "$STANDARD_RECORD"

# A better record survives the run untouched.
game=$(make_game_dir "$WORK/better")
printf '%s' "-1 1000 9.5" >"$game/highscore.dat"
before=$(stat -c '%i %y' "$game/highscore.dat")
play_game 0 "$game" "$WORK/run.script"
[ "$(stat -c '%i %y' "$game/highscore.dat")" = "$before" ] || fail "a worse run rewrote a better record"

# Score and time are kept apart: a longer split raises only the time.
game=$(make_game_dir "$WORK/longer")
printf '%s' "-1 1000 0.1" >"$game/highscore.dat"
play_game 0 "$game" "$WORK/run.script"
expect_file "$game/highscore.dat" "-1 1000 $expected_time"

# The same run on the joystick's buttons, by the build's own table
# (game_constants prints it): Start, Split, Down and Up together, Select.
start=$JOY_START split=$JOY_SPLIT down=$JOY_DOWN up=$JOY_UP quit=$JOY_SELECT
game=$(make_game_dir "$WORK/buttons")
sed -e "s/keydown return/joydown $start/" -e "s/keydown space/joydown $split/" -e "s/keyup space/joyup $split/" \
    -e "s/keydown down/joydown $down/" -e "s/keydown up/joydown $up/" -e "s/keyup up/joyup $up/" \
    -e "s/keydown c ctrl/joydown $quit/" "$WORK/run.script" >"$WORK/buttons.script"
! grep -q key "$WORK/buttons.script" || fail "buttons.script still has keys"
play_game 0 "$game" "$WORK/buttons.script"
expect_file "$game/highscore.dat" "$STANDARD_RECORD"

echo "whole run: record '$STANDARD_RECORD', merge in frame $merge"
