#!/bin/sh
# The clock under a running game (on the scripted platform) jumps: stepped
# back (an NTP step; the classic library times with the wall clock), forward
# by hours (a stopped process continued, a resumed machine). The game must neither hang nor burn
# a core catching up, and must still answer SIGTERM: any frame ends, a
# reading that went back is no 49-day frame, and after a stall beyond the
# limit the schedule starts again from the clock.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
make_work clock

# On virtual time, in the standard run after its merge (so the record is
# made): 20 ms back, and 18.3 hours on, past where the cave's float time
# stops counting down. Each used to hang the game for good.
for step in -20 65880000; do
    game=$(make_game_dir "$WORK/step$step")
    standard_run "150 clock $step" >"$WORK/step$step.script"
    status=0
    # A hung game ignored SIGTERM, hence the SIGKILL (status 137) after it.
    run_game "$game" "$WORK/step$step.script" timeout -k 2 20 || status=$?
    [ "$status" -ne 124 ] && [ "$status" -ne 137 ] || fail "clock step $step ms: the game hung"
    expect_status "$game" 0 "$status"
    expect_quiet "$game"
    expect_file "$game/highscore.dat" "$STANDARD_RECORD"
done

# In real time: an hour on after frame 10. The schedule starts again from
# the clock, so the next 200 frames take their 15 ms each (3 s), instead of
# being presented back to back to catch up an hour.
game=$(make_game_dir "$WORK/hour-on")
printf '%s\n' "10 clock 3600000" "210 quit" >"$WORK/hour-on.script"
start_scripted pid "$game" "$WORK/hour-on.script" VLIM_VIRTUAL_TIME=0
start=$(date +%s%N)
expect_end "$pid" "$game" 20 0
took_ms=$((($(date +%s%N) - start) / 1000000))
[ "$took_ms" -ge 2500 ] || fail "an hour on: 210 frames in $took_ms ms, so the game caught up instead of starting again"

# In real time: an hour back after frame 10. No wait of an hour for the
# next frame; SIGTERM ends the game within a frame or two.
game=$(make_game_dir "$WORK/hour-back")
printf '%s\n' "10 clock -3600000" "100000 quit" >"$WORK/hour-back.script"
start_scripted pid "$game" "$WORK/hour-back.script" VLIM_VIRTUAL_TIME=0
sleep 1.5
game_running "$pid" || fail "an hour back: the game ended by itself"
kill -TERM "$pid"
expect_end "$pid" "$game" 3 0
expect_quiet "$game"
echo "clock steps: no hang, no catch-up after a long stall, SIGTERM answered"
