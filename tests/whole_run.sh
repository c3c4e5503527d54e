#!/bin/sh
# A whole run of the real game, headless, under virtual time so that every
# frame lasts 15 ms of game time and 2000 us of processor time: start a run,
# split, merge, fly on, die, see the title screen, quit. Then the record file
# must hold exactly this run's figures, and later runs must leave a record
# they do not beat alone.
set -eu
. "$(dirname "$0")/game_test_lib.sh"
make_work whole-run

CPU_US_PER_FRAME=2000  # the shim's virtual processor time per frame
SPLIT_PRESSED=20       # Space goes down after this frame...
GOLDEN="-1 7 0.202"    # ...and this is what the run below scores

# Return starts the run after frame 10. Space held from 20 to 50 pushes the
# halves apart; released, they are pulled back and merge (about frame 120),
# which banks the split. Up and Down held together from 200 cancel out, so
# the band flies straight on; releasing Up at 230 leaves Down held, and the
# band dives into the floor (about frame 280): the title screen is back.
script=$work/run.script
{
    echo "10 keydown return"
    echo "$SPLIT_PRESSED keydown space"
    echo "50 keyup space"
    # The score at the top left changes in the frame of the merge.
    frame=100
    while [ $frame -le 140 ]; do
        echo "$frame snapshot hud$frame.bmp"
        frame=$((frame + 1))
    done
    echo "200 keydown down"
    echo "200 keydown up"
    echo "229 snapshot straight.bmp"
    echo "230 keyup up"
    echo "320 snapshot title.bmp"
    echo "330 keydown c ctrl"
} >"$script"

game=$work/first
make_game_dir "$game"
run_scripted "$game" "$script"
expect_status "$game" 0
[ ! -s "$game/out" ] || fail "unexpected output: $(cat "$game/out")"

# Byte for byte: the current layout, no newline.
printf '%s' "$GOLDEN" >"$work/expected"
cmp -s "$work/expected" "$game/highscore.dat" ||
    fail "highscore.dat holds '$(cat "$game/highscore.dat" 2>/dev/null)', expected '$GOLDEN'"

# The recorded time is processor time from the split's frame to the merge's:
# the split starts in the frame after Space, reading the clock at
# SPLIT_PRESSED frames; find the merge's frame on screen, by the score text.
score_area()
{
    convert "$game/hud$1.bmp" -crop 60x20+10+5 +repage -depth 8 rgb:- | cksum
}
before=$(score_area 100)
merge=""
frame=101
while [ $frame -le 140 ]; do
    if [ "$(score_area $frame)" != "$before" ]; then
        merge=$frame
        break
    fi
    frame=$((frame + 1))
done
[ -n "$merge" ] || fail "the score never changed in frames 100..140: no merge"
# The merge's update ran before its own flip, so its clock read merge - 1 frames.
expected_time=$(awk -v frames=$((merge - 1 - SPLIT_PRESSED)) -v us=$CPU_US_PER_FRAME \
    'BEGIN { printf "%g", frames * us / 1000000 }')
recorded_time=$(cut -d' ' -f3 "$game/highscore.dat")
[ "$recorded_time" = "$expected_time" ] ||
    fail "split time $recorded_time, but frames $SPLIT_PRESSED..$merge make $expected_time"

# Up and Down held together steer nowhere: the band was still in place.
dump_pixels "$game/straight.bmp" "$work/straight.txt"
# shellcheck disable=SC2086
[ "$(count_colour "$work/straight.txt" 99 100 99 140 $BAND)" -eq 20 ] ||
    fail "with Up and Down held the band left its place (straight.bmp)"

dump_pixels "$game/title.bmp" "$work/title.txt"
is_title_screen "$work/title.txt" || fail "no title screen after the band died (title.bmp)"

# The same run again does not beat the record: the file is not rewritten
# (a rewrite replaces it, so its inode or time would change).
before=$(stat -c '%i %y' "$game/highscore.dat")
run_scripted "$game" "$script"
expect_status "$game" 0
[ "$(stat -c '%i %y' "$game/highscore.dat")" = "$before" ] || fail "an equal run rewrote highscore.dat"
cmp -s "$work/expected" "$game/highscore.dat" || fail "an equal run changed highscore.dat"

# A better record survives the run untouched.
game=$work/better
make_game_dir "$game"
printf '%s' "-1 1000 9.5" >"$game/highscore.dat"
before=$(stat -c '%i %y' "$game/highscore.dat")
run_scripted "$game" "$script"
expect_status "$game" 0
[ "$(stat -c '%i %y' "$game/highscore.dat")" = "$before" ] || fail "a worse run rewrote a better record"

# Score and time are kept apart: a longer split raises only the time.
game=$work/longer
make_game_dir "$game"
printf '%s' "-1 1000 0.1" >"$game/highscore.dat"
run_scripted "$game" "$script"
expect_status "$game" 0
printf '%s' "-1 1000 $expected_time" >"$work/expected"
cmp -s "$work/expected" "$game/highscore.dat" ||
    fail "record '$(cat "$game/highscore.dat")', expected '-1 1000 $expected_time'"

# The same run on the handheld's buttons: Start (8), B (13) to split, Down
# (4) and Up (0) together, and Select (9) to quit.
game=$work/buttons
make_game_dir "$game"
sed -e 's/keydown return/joydown 8/' -e 's/keydown space/joydown 13/' -e 's/keyup space/joyup 13/' \
    -e 's/keydown down/joydown 4/' -e 's/keydown up/joydown 0/' -e 's/keyup up/joyup 0/' \
    -e 's/keydown c ctrl/joydown 9/' "$script" >"$work/buttons.script"
! grep -q key "$work/buttons.script" || fail "buttons.script still has keys"
run_scripted "$game" "$work/buttons.script"
expect_status "$game" 0
printf '%s' "$GOLDEN" >"$work/expected"
cmp -s "$work/expected" "$game/highscore.dat" ||
    fail "on the buttons the record is '$(cat "$game/highscore.dat" 2>/dev/null)', expected '$GOLDEN'"

echo "whole run: record '$GOLDEN', merge in frame $merge"
