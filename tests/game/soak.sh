#!/bin/sh
# A long soak of the game's frame loop on the scripted platform: 100,000
# frames of seeded random input (platform/scripted/soak_input.c) with floods
# of events, frames of 0 ms and stalls of 0.5 s and 10 s. In the sanitizer build every
# report is fatal, and leaks are checked at exit. Memory must stay flat: the
# resident size after the last frame may exceed the one after frame 10,000 by
# 1 MiB at most; the title screen renders and frees six texts each frame, so
# a leak there would show at once. Under AddressSanitizer the quarantine of
# freed memory is cut to 4 MiB, which the texts fill in the first few hundred
# frames: at its default 256 MiB it would still be filling at the end, and
# its growth, not the game's, would be measured.
#
# VLIM_SOAK_SEED and VLIM_SOAK_FRAMES override the seed and the length, to
# play a failing soak again or a longer one.
set -eu
SEED=${VLIM_SOAK_SEED:-20240601}
FRAMES=${VLIM_SOAK_FRAMES:-100000}
MAX_GROWTH_KB=1024
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work soak
case "$SANITIZED" in
    ON | on | 1 | TRUE | true | YES | yes) ASAN_OPTIONS="$ASAN_OPTIONS:quarantine_size_mb=4" ;;
esac

game=$(make_game_dir "$WORK/game")
status=0
run_game "$game" "" env VLIM_RANDOM_SEED="$SEED" VLIM_RANDOM_FRAMES="$FRAMES" || status=$?

summary=$(grep '^soak: ' "$game.err" || true)
[ -n "$summary" ] && echo "seed $SEED: $summary"
if grep -q -e 'Sanitizer' -e 'runtime error' "$game.err"; then
    cat "$game.err" >&2
    fail "sanitizer report (seed $SEED)"
fi
expect_status "$game" 0 "$status"
[ -n "$summary" ] || fail "no summary line: the game ended before frame $FRAMES (seed $SEED)"
! grep -qv '^soak: ' "$game.err" || fail "unexpected standard error: $(cat "$game.err")"
[ ! -s "$game.out" ] || fail "unexpected output: $(cat "$game.out")"

field() { echo "$summary" | tr ' ' '\n' | sed -n "s/^$1=//p" | tr -d 'kB'; }
[ "$(field frames)" -eq "$FRAMES" ] || fail "the soak ran $(field frames) frames, not $FRAMES"
first=$(field rss_first)
last=$(field rss_last)
[ "$first" -gt 0 ] && [ "$last" -gt 0 ] || fail "no resident size read"
[ $((last - first)) -le $MAX_GROWTH_KB ] ||
    fail "resident size grew by $((last - first)) kB, from $first kB after frame 10000 to $last kB (seed $SEED)"

# The soak also played a real game: the title screen rendered its texts, and
# whatever the runs scored was saved as a record in the current layout.
[ "$(field texts_rendered)" -ge "$FRAMES" ] || fail "only $(field texts_rendered) texts rendered: hardly any title screen"
[ "$(field starts)" -gt 0 ] && [ "$(field floods)" -gt 0 ] && [ "$(field stalls_10s)" -gt 0 ] ||
    fail "the soak missed starts, floods or long stalls: $summary"
if [ -e "$game/highscore.dat" ]; then
    grep -Eq '^-1 [0-9]+ [0-9.e+-]+$' "$game/highscore.dat" ||
        fail "highscore.dat holds '$(cat "$game/highscore.dat")'"
    echo "record: $(cat "$game/highscore.dat")"
fi
