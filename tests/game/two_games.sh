#!/bin/sh
# Two games in one folder at once, on the scripted platform's virtual time. The second has read the
# record at start-up and waits on its title screen while the first plays the
# standard run and saves its record; then the second plays a weaker run and
# saves. It must not put its weaker record over the better one.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work two

# The weaker run: the split is held for 10 frames instead of 30, so the
# halves part less and merge sooner: a lower score and a shorter split.
weak_run()
{
    standard_run "$@" | sed 's/^50 keyup space$/30 keyup space/'
}
weak_run >"$WORK/weak.script"
alone=$(make_game_dir "$WORK/alone")
play_game 0 "$alone" "$WORK/weak.script"
weak=$(cat "$alone/highscore.dat")
awk -v weak="$weak" -v best="$STANDARD_RECORD" \
    'BEGIN { split(weak, w, " "); split(best, b, " "); exit !(w[2] < b[2] && w[3] < b[3]) }' ||
    fail "the weaker run made '$weak', not less than '$STANDARD_RECORD' in both figures"

shared=$(make_game_dir "$WORK/shared")
weak_run "5 pause" >"$WORK/second.script"
start_scripted second "$shared" "$WORK/second.script"
for _ in $(seq 100); do
    case $(ps -o stat= -p "$second") in T*) break ;; esac
    sleep 0.1
done
case $(ps -o stat= -p "$second") in T*) ;; *) fail "the second game did not stop on its title screen" ;; esac
# Each game's output goes beside the directory it runs in: the first game's
# to shared.out, so the second's is moved out of the way first.
mv "$shared.out" "$WORK/second.out"
mv "$shared.err" "$WORK/second.err"
standard_run >"$WORK/first.script"
play_game 0 "$shared" "$WORK/first.script"
expect_file "$shared/highscore.dat" "$STANDARD_RECORD"
kill -CONT "$second"
expect_end "$second" "$WORK/second" 20 0
expect_file "$shared/highscore.dat" "$STANDARD_RECORD"
[ "$(ls -A "$shared" | tr '\n' ' ')" = "font.ttf highscore.dat " ] || fail "the folder holds $(ls -A "$shared")"
echo "two games: the better record ($STANDARD_RECORD) survived the save of a weaker one ($weak)"
