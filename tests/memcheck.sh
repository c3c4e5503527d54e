#!/bin/sh
# The real game under valgrind's memcheck, headless, for a whole run: the
# title screen, a start, a split, the merge, the death and the title screen
# again. No invalid read or write, no use of uninitialised values, nothing
# definitely lost. What the game keeps for the whole run is held by
# game_script and so stays reachable (see there).
set -eu
. "$(dirname "$0")/game_test_lib.sh"

case "${VLIM_SANITIZED:-}" in
    ON | on | 1 | TRUE | true | YES | yes)
        echo "SKIP: a sanitizer build; valgrind and AddressSanitizer do not mix"
        exit 77
        ;;
esac
command -v valgrind >/dev/null || {
    echo "SKIP: valgrind is not installed (tools/deps test installs it)"
    exit 77
}
make_work memcheck

# As in whole_run: Return after frame 10, Space from 20 to 50 (the halves
# merge about frame 120), Down from 200 into the floor (about frame 280).
cat >"$work/run.script" <<EOF
10 keydown return
20 keydown space
50 keyup space
200 keydown down
320 snapshot title.bmp
330 keydown c ctrl
EOF

game=$work/game
make_game_dir "$game"
status=0
(cd "$game" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VLIM_VIRTUAL_TIME=1 VLIM_SCRIPT="$work/run.script" \
    LD_PRELOAD="$GAME_SCRIPT" valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    --show-leak-kinds=definite --track-origins=yes --log-file="$work/valgrind.log" "$VLIM" >out 2>err) ||
    status=$?

[ "$status" -eq 0 ] || {
    cat "$work/valgrind.log" "$game/err" >&2
    fail "exit status $status under valgrind"
}
grep -q 'ERROR SUMMARY: 0 errors' "$work/valgrind.log" || {
    cat "$work/valgrind.log" >&2
    fail "valgrind found errors"
}
# Either nothing is left at exit or nothing of it is lost.
grep -q -e 'definitely lost: 0 bytes in 0 blocks' -e 'All heap blocks were freed' "$work/valgrind.log" || {
    cat "$work/valgrind.log" >&2
    fail "memory definitely lost"
}
[ ! -s "$game/out" ] && [ ! -s "$game/err" ] || fail "unexpected output: $(cat "$game/out" "$game/err")"

# The run really split, merged and ended: its record is whole_run's.
[ "$(cat "$game/highscore.dat" 2>/dev/null)" = "-1 7 0.202" ] ||
    fail "record '$(cat "$game/highscore.dat" 2>/dev/null)', expected '-1 7 0.202': the run did not go as scripted"
dump_pixels "$game/title.bmp" "$work/title.txt"
is_title_screen "$work/title.txt" || fail "no title screen after the run (title.bmp)"

echo "memcheck: $(grep -o 'total heap usage.*' "$work/valgrind.log"); no errors, nothing lost"
