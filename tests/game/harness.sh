# The shell harness of the whole-game tests (tests/game/*.sh) and of tools/:
# POSIX sh, sourced. Sourcing it only defines functions and reads no
# arguments. What they set for the caller is named below; their own state
# lives in variables starting with harness_.
#
#   use_build DIR     VLIM, SCRIPTED, LAUNCHER, GAME_SCRIPT, FONT and
#                     SANITIZED of build tree DIR, and the game's colours and
#                     sizes (WALL_RGB, HEAD_COLUMN, ...: game_constants.cpp)
#   make_work NAME    WORK, a scratch folder, removed at exit unless the caller
#                     failed; whatever the harness started is ended at exit
#   start_xvfb SIZE   DISPLAY
#   start_scripted VAR DIR SCRIPT, start_game VAR DIR CMD...: the pid in VAR
#   shipped_game      run_game and start_scripted play the shipped VLIM from
#                     then on, not the scripted platform
#   STANDARD_RECORD, STANDARD_SPLIT_FRAME: the record that standard_run
#                     makes, and the frame after which its split is pressed
#
# A game run through the harness in directory DIR writes its standard output
# and error to DIR.out and DIR.err beside it: DIR may be unwritable.

use_build()
{
    [ -r "$1/tests/game/harness.env" ] || { echo "harness: configure and build $1 first" >&2; exit 2; }
    . "$1/tests/game/harness.env"
    harness_constants=$("$GAME_CONSTANTS") || { echo "harness: $GAME_CONSTANTS failed" >&2; exit 2; }
    eval "$harness_constants"
    harness_game=$SCRIPTED
    harness_preload=""
    # What would steer the game, its script player or SDL from the caller's
    # environment: every run below sets its own.
    unset VLIM_SCRIPT VLIM_VIRTUAL_TIME VLIM_RANDOM_SEED VLIM_RANDOM_FRAMES VLIM_FAIL VLIM_FLIP_TIMES \
        SDL_VIDEODRIVER SDL_AUDIODRIVER SDL12COMPAT_WINDOW_SCALING SDL12COMPAT_SCALE_METHOD
    # In the sanitizer build the preloaded script player comes before the ASan
    # runtime, which ASan refuses by default; harmless here, as the player
    # replaces none of the runtime's functions. lsan.supp says which leaks of
    # the libraries under the game are suppressed, and why.
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
    LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$LSAN_SUPPRESSIONS"
    export ASAN_OPTIONS LSAN_OPTIONS
}

make_work()
{
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/vlim-$1.XXXXXX")
    : >"$WORK/.pids"
    trap 'harness_at_exit $?' EXIT
    trap 'exit 130' HUP INT PIPE TERM
}

# The failure is marked in WORK, so that it is seen from subshells too.
fail()
{
    echo "FAIL: $*" >&2
    [ -z "${WORK:-}" ] || : >"$WORK/.failed"
    exit 1
}

# Ends what the harness started, asked first so that an X server removes its
# lock and socket for the next one; a game may be stopped or stuck on a lost
# display, so what is left after 2 s is killed.
harness_at_exit()
{
    for harness_pid in $(cat "$WORK/.pids"); do
        end_game "$harness_pid" >/dev/null 2>&1 || true
    done
    if [ -e "$WORK/.failed" ] || { [ "$1" -ne 0 ] && [ "$1" -ne 77 ]; }; then
        echo "kept for a look: $WORK" >&2
    else
        rm -rf "$WORK"
    fi
}

# ---- Running the game ----

# From here on run_game and start_scripted play the shipped executable under
# the preloaded script player, which reads the same scripts: for what proves
# the executable's own start-up and calls, where the scripted platform's
# would prove nothing.
shipped_game()
{
    harness_game=$VLIM
    harness_preload=$GAME_SCRIPT
}

# Makes $1 a directory the game can run in, "font.ttf" there the test font,
# and prints it.
make_game_dir()
{
    mkdir -p "$1"
    ln -s "$FONT" "$1/font.ttf"
    echo "$1"
}

# Runs the game (the scripted platform's, or the shipped one after
# shipped_game) headless in directory $1 on virtual time, driven by the
# script file $2 ("" for none), through the command in the remaining
# arguments if any (another user, a namespace, env VAR=value, valgrind with
# --trace-children=yes). Returns the game's exit status.
run_game()
{
    harness_dir=$1
    harness_script=$2
    shift 2
    (cd "$harness_dir" && "$@" env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VLIM_VIRTUAL_TIME=1 \
        VLIM_SCRIPT="$harness_script" LD_PRELOAD="$harness_preload" "$harness_game" >"$harness_dir.out" 2>"$harness_dir.err")
}

# Starts the game as run_game does, in the background: in directory $2,
# driven by script $3, with the VAR=value settings in the remaining
# arguments after run_game's own (VLIM_VIRTUAL_TIME=0 plays in real time).
# Its pid goes in the variable named $1.
start_scripted()
{
    harness_dir=$2
    harness_script=$3
    (cd "$harness_dir" && shift 3 && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VLIM_VIRTUAL_TIME=1 \
        VLIM_SCRIPT="$harness_script" LD_PRELOAD="$harness_preload" "$@" "$harness_game" >"$harness_dir.out" 2>"$harness_dir.err") &
    echo $! >>"$WORK/.pids"
    eval "$1=$!"
}

# run_game on all but the first argument; fails unless the status is $1.
play_game()
{
    harness_want=$1
    shift
    harness_status=0
    run_game "$@" || harness_status=$?
    expect_status "$1" "$harness_want" "$harness_status"
}

# Fails unless status $3 of the game run in directory $1 is $2.
expect_status()
{
    [ "$3" -eq "$2" ] && return 0
    cat "$1.err" >&2
    case $3 in
        "$SHIM_STATUS_LEAK") harness_why=" (the script player found a leak)" ;;
        "$SHIM_STATUS_OVERRUN") harness_why=" (the script player ended a game that ran on past its script)" ;;
        "$SHIM_STATUS_BAD_SCRIPT") harness_why=" (the script player could not play its script)" ;;
        *) harness_why="" ;;
    esac
    fail "exit status $3$harness_why, expected $2"
}

# Fails unless file $1 holds exactly the bytes of $2 (a record: no newline).
expect_file()
{
    printf '%s' "$2" | cmp -s - "$1" || fail "$1 holds '$(cat "$1" 2>/dev/null)', expected '$2'"
}

# Fails unless the game run in directory $1 printed nothing.
expect_quiet()
{
    [ ! -s "$1.out" ] && [ ! -s "$1.err" ] || fail "unexpected output: $(cat "$1.out" "$1.err")"
}

# Starts the command in the remaining arguments in directory $2, in the
# background, in a window on DISPLAY (SDL's x11 driver, no sound); its pid
# goes in the variable named $1.
start_game()
{
    harness_dir=$2
    (cd "$harness_dir" && shift 2 && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec "$@" \
        >"$harness_dir.out" 2>"$harness_dir.err") &
    echo $! >>"$WORK/.pids"
    eval "$1=$!"
}

# True while process $1 runs (kill -0 finds a zombie too).
game_running()
{
    harness_state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    case $harness_state in Z*) return 1 ;; esac
}

# Waits up to $2 seconds for game $1 to end by itself and returns its exit
# status; one still running then is killed, and 124 returned.
wait_game()
{
    for _ in $(seq $(($2 * 10))); do
        game_running "$1" || break
        sleep 0.1
    done
    if game_running "$1"; then
        kill -9 "$1" 2>/dev/null || true
        wait "$1" 2>/dev/null || true
        harness_forget "$1"
        return 124
    fi
    harness_waited=0
    wait "$1" || harness_waited=$?
    harness_forget "$1"
    return $harness_waited
}

# A process waited for is struck off the list that the exit ends, so that no
# other process that has since been given its number is signalled.
harness_forget()
{
    [ -z "${WORK:-}" ] || sed -i "/^$1\$/d" "$WORK/.pids"
}

# Fails unless game $1, run in directory $2, ends within $3 seconds and, if $4
# is given, with that exit status.
expect_end()
{
    harness_status=0
    wait_game "$1" "$3" || harness_status=$?
    [ "$harness_status" -ne 124 ] || fail "$2: the game still runs $3 s on"
    [ -z "${4:-}" ] || expect_status "$2" "$4" "$harness_status"
}

# Ends process $1 with SIGTERM (for a game, SDL's quit event), and SIGKILL
# if it is still there after 2 s; returns its exit status.
end_game()
{
    kill -TERM "$1" 2>/dev/null && kill -CONT "$1" 2>/dev/null
    wait_game "$1" 2
}

# Runs the command in the arguments with file permissions binding, as for a
# player: as root, without the two capabilities that override them. Where
# they cannot be dropped it fails without running anything: callers check
# with "as_player true" first.
as_player()
{
    if [ "$(id -u)" -ne 0 ]; then
        "$@"
    elif setpriv --bounding-set=-dac_override,-dac_read_search true 2>/dev/null; then
        setpriv --bounding-set=-dac_override,-dac_read_search "$@"
    else
        return 1
    fi
}

# ---- Windows ----

# Skips the caller (status 77) unless the SDL 1.2 compatibility layer's
# runtime (libsdl1.2-compat) is installed.
need_compat_layer()
{
    ls /usr/lib/*/sdl12-compat/libSDL-1.2.so.* >/dev/null 2>&1 || { echo "SKIP: libsdl1.2-compat is not installed"; exit 77; }
}

# Starts Xvfb with a screen of $1 (WIDTHxHEIGHTxDEPTH) on a display it picks
# itself, waits until it accepts clients and exports DISPLAY; its pid goes in
# the variable named $2, if given. Skips the caller (status 77) without Xvfb.
start_xvfb()
{
    command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
    # Xvfb takes the first display that looks free, and two started at once
    # may both go for it: one starts at a time, under a lock beside X's own
    # in /tmp. It writes the number once it listens. Without -noreset it
    # resets whenever its last client leaves, and drops a client that is
    # connecting meanwhile ("Can't open display"): the probe below, xdpyinfo
    # in the launcher and the game or xdotool after them.
    exec 9>>/tmp/.vlim-xvfb.lock
    flock 9
    rm -f "$WORK/display"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$WORK/display" 9>&- >"$WORK/xvfb.log" 2>&1 &
    harness_xvfb=$!
    echo $harness_xvfb >>"$WORK/.pids"
    harness_tries=0
    until [ -s "$WORK/display" ] && DISPLAY=:$(cat "$WORK/display") xdotool getdisplaygeometry >/dev/null 2>&1; do
        harness_tries=$((harness_tries + 1))
        [ $harness_tries -le 100 ] && game_running $harness_xvfb || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
        sleep 0.1
    done
    exec 9>&-
    DISPLAY=:$(cat "$WORK/display")
    export DISPLAY
    [ -z "${2:-}" ] || eval "$2=$harness_xvfb"
}

# Ends the Xvfb started last, as when the X server goes away.
stop_xvfb()
{
    kill "$harness_xvfb"
    wait "$harness_xvfb" 2>/dev/null || true
    harness_forget "$harness_xvfb"
}

# Prints the id of the game's window once it is mapped (20 s at most).
game_window()
{
    harness_window=$(timeout 20 xdotool search --sync --onlyvisible --classname vlim | head -n 1) || true
    [ -n "$harness_window" ] || fail "no vlim window appeared"
    echo "$harness_window"
}

# Takes a screenshot of window $1 as $WORK/$2.png, its pixels in $2.txt.
window_shot()
{
    import -window "$1" "$WORK/$2.png" || fail "import cannot take a screenshot of window $1"
    dump_pixels "$WORK/$2.png" "$WORK/$2.txt"
}

# Takes screenshots of window $1 (window_shot as $3) until check $2 passes on
# one; fails, saying $4 or that $2 never held, once one taken 10 s on fails:
# on a busy machine a screenshot and its checks alone can take 10 s.
wait_for_window()
{
    harness_until=$(($(date +%s) + 10))
    until harness_taken=$(date +%s) && window_shot "$1" "$3" && "$2" "$WORK/$3.txt"; do
        [ "$harness_taken" -lt "$harness_until" ] || fail "${4:-$2 never held on the screen}: see $3.png"
        sleep 0.25
    done
}

# Fails unless window $1 is named "vlim" and shows an icon. The classic
# library hands the icon over as a pixmap in WM_HINTS; SDL 2 under the
# compatibility layer as _NET_WM_ICON, whose pixels are read here: one icon of
# the game's size, every pixel transparent, the walls' or the band's colour,
# with all three in.
expect_name_and_icon()
{
    harness_properties=$(xprop -id "$1" WM_NAME WM_HINTS) || fail "xprop cannot read window $1"
    printf '%s\n' "$harness_properties" | grep -qx 'WM_NAME(STRING) = "vlim"' ||
        fail "the window is not named vlim: $harness_properties"
    harness_icon=$(xprop -id "$1" -notype -f _NET_WM_ICON 32x ' $0+' _NET_WM_ICON |
        awk -v size="$WINDOW_ICON_SIZE" -v wall="$WALL_RGB" -v band="$BAND_RGB" '
            function argb(rgb, c) { split(rgb, c, " "); return sprintf("0xff%02x%02x%02x", c[1], c[2], c[3]) }
            sub(/^_NET_WM_ICON /, "") {
                n = split($0, v, /, */)
                if (n != 2 + size * size || v[1] != sprintf("0x%x", size) || v[2] != v[1]) {
                    print "not one icon of " size "x" size
                    exit
                }
                for (i = 3; i <= n; i++) {
                    if (v[i] == "0x0") clear++
                    else if (v[i] == argb(wall)) walls++
                    else if (v[i] == argb(band)) bands++
                    else { print "a pixel of " v[i]; exit }
                }
                print clear && walls && bands ? "ok" : "not transparent, wall and band"
            }')
    case $harness_icon in
        ok) ;;
        "") printf '%s\n' "$harness_properties" | grep -q 'bitmap id # to use for icon: 0x' ||
                fail "the window has no icon: $harness_properties" ;;
        *) fail "the window's _NET_WM_ICON: $harness_icon" ;;
    esac
}

# ---- The standard run ----

# Return after frame 10 starts a run. Space held from 20 to 50 pushes the
# halves apart; released, they are pulled back and merge (about frame 120),
# which banks the split. Up and Down held together from 200 cancel out, so
# the band flies straight on; releasing Up at 230 leaves Down held, and the
# band dives into the floor (about frame 280): the title screen is back.
# Control+C after frame 330 ends the game. Prints the script with the
# actions in the arguments ("<frame> snapshot <file>", a line or more each)
# merged in by frame.
STANDARD_RECORD="-1 7 0.202"
STANDARD_SPLIT_FRAME=20
standard_run()
{
    {
        printf '%s\n' "10 keydown return" "$STANDARD_SPLIT_FRAME keydown space" "50 keyup space" \
            "200 keydown down" "200 keydown up" "230 keyup up" "330 keydown c ctrl"
        [ $# -eq 0 ] || printf '%s\n' "$@"
    } | sort -s -n -k1,1
}

# ---- Pixels ----

# Writes the pixels of the first screen's worth of image $1 to file $2, one
# "x,y: (r,g,b) ..." line each, as ImageMagick's txt format has it.
dump_pixels()
{
    convert "$1" -crop "${SCREEN_WIDTH}x$SCREEN_HEIGHT+0+0" +repage -colorspace sRGB -type TrueColor -depth 8 \
        txt:- >"$2" || fail "cannot read $1"
}

# Prints how many pixels of dump $1 are within 8 a channel of colour $2
# ("r g b"; the game's 16-bit surface drops their low bits) in the rectangle
# x0 y0 x1 y1 (inclusive) of the remaining arguments, or in the whole screen.
count_colour()
{
    awk -F'[^0-9]+' -v rgb="$2" -v x0="${3:-0}" -v y0="${4:-0}" -v x1="${5:-$SCREEN_WIDTH}" -v y1="${6:-$SCREEN_HEIGHT}" '
        BEGIN { split(rgb, c, " ") }
        function near(v, w) { return v - w <= 8 && w - v <= 8 }
        NR > 1 && $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && near($3, c[1]) && near($4, c[2]) && near($5, c[3]) { n++ }
        END { print n + 0 }' "$1"
}

# The same in the band's head column, in rows $3 to $4 or all of them.
count_in_head()
{
    count_colour "$1" "$2" "$HEAD_COLUMN" "${3:-0}" "$HEAD_COLUMN" "${4:-$SCREEN_HEIGHT}"
}

# Title screen: the title word "vlim", drawn at (30, 0) in the text colour,
# and no band in the head's column.
is_title_screen()
{
    [ "$(count_colour "$1" "$TEXT_RGB" 30 0 250 80)" -ge 100 ] && [ "$(count_in_head "$1" "$BAND_RGB")" -eq 0 ]
}

# A fresh band in play: its head fills its start rows and no more, and the
# walls cover the rows of that column that the cave never leaves open.
is_fresh_band_in_play()
{
    [ "$(count_in_head "$1" "$BAND_RGB")" -eq $((BAND_LAST_ROW - BAND_FIRST_ROW + 1)) ] &&
        [ "$(count_in_head "$1" "$BAND_RGB" "$BAND_FIRST_ROW" "$BAND_LAST_ROW")" -eq \
            $((BAND_LAST_ROW - BAND_FIRST_ROW + 1)) ] &&
        [ "$(count_in_head "$1" "$WALL_RGB" 0 $((CEILING_ALWAYS - 1)))" -eq "$CEILING_ALWAYS" ] &&
        [ "$(count_in_head "$1" "$WALL_RGB" "$FLOOR_ALWAYS")" -eq $((SCREEN_HEIGHT - FLOOR_ALWAYS)) ]
}
