#!/bin/sh
# The game's frame loop on the scripted platform under valgrind's memcheck,
# for the standard run:
# the title screen, a start, a split, the merge, the death and the title
# screen again. No invalid read or write, no use of uninitialised values,
# nothing definitely lost. What the game keeps for the whole run is held by
# the platform's kept.c and so stays reachable.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"

case "$SANITIZED" in
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

standard_run "320 snapshot title.bmp" >"$WORK/run.script"
game=$(make_game_dir "$WORK/game")
log=$WORK/valgrind.log
status=0
run_game "$game" "$WORK/run.script" valgrind --trace-children=yes --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite --show-leak-kinds=definite --track-origins=yes --log-file="$log" || status=$?
[ "$status" -eq 0 ] || { cat "$log" >&2; expect_status "$game" 0 "$status"; }
grep -q 'ERROR SUMMARY: 0 errors' "$log" || { cat "$log" >&2; fail "valgrind found errors"; }
# Either nothing is left at exit or nothing of it is lost.
grep -q -e 'definitely lost: 0 bytes in 0 blocks' -e 'All heap blocks were freed' "$log" ||
    { cat "$log" >&2; fail "memory definitely lost"; }
expect_quiet "$game"

# The run really split, merged and ended: its record is the standard run's.
expect_file "$game/highscore.dat" "$STANDARD_RECORD"
dump_pixels "$game/title.bmp" "$WORK/title.txt"
is_title_screen "$WORK/title.txt" || fail "no title screen after the run (title.bmp)"

echo "memcheck: $(grep -o 'total heap usage.*' "$log"); no errors, nothing lost"
