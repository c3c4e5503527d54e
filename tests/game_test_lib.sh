# Shared by the whole-game tests (sourced, POSIX sh). They run the real vlim
# executable and judge it by its exit status, its output, "highscore.dat" and
# the pixels it puts on screen.
#
# Each test script is called as: <script> <vlim> <game_script.so> <font.ttf>

# Absolute, since the game runs in directories of its own.
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
VLIM=$(absolute "$1")
GAME_SCRIPT=$(absolute "$2")
FONT=$(absolute "$3")

# In the sanitizer build game_script, preloaded, comes before the ASan runtime
# in the library list, which ASan refuses by default. That order is harmless
# here: the shim replaces none of the runtime's functions. Leaks inside the
# libraries under the game are suppressed by lsan.supp, which says which.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(absolute "$(dirname "$0")")/lsan.supp"
export ASAN_OPTIONS LSAN_OPTIONS

# The game's colours. Its 16-bit surface keeps them as RGB565, so a pixel
# read back has lost the low bits of each channel: compare with a tolerance.
BAND="17 102 255"
WALL="17 136 102"
TEXT="60 60 120"

fail()
{
    echo "FAIL: $*" >&2
    failed=1
    exit 1
}

# A fresh scratch directory in $work, removed at exit unless the test failed:
# then its screenshots and outputs are kept for a look.
make_work()
{
    work=$(mktemp -d "${TMPDIR:-/tmp}/vlim-$1.XXXXXX")
    trap at_exit EXIT
}

# A game or an Xvfb that a test started in the background: ended at exit,
# whatever state they are in (a game may be stopped, or stuck on a lost
# display), so nothing outlives the test.
game_pid=""
xvfb=""
stop_processes()
{
    for pid in $game_pid $xvfb; do
        kill -9 "$pid" 2>/dev/null || true
    done
}

at_exit()
{
    stop_processes
    if [ -n "${failed:-}" ]; then
        echo "kept for a look: $work" >&2
    else
        rm -rf "$work"
    fi
}

# Starts Xvfb with a screen of $1 (WIDTHxHEIGHTxDEPTH) on a display it picks
# itself, exports DISPLAY, and leaves its pid in $xvfb for stop_processes.
# Skips the test (status 77) where Xvfb is not installed.
start_xvfb()
{
    command -v Xvfb >/dev/null || {
        echo "SKIP: Xvfb is not installed"
        exit 77
    }
    # Xvfb writes its display number once it is ready; a number left by an
    # earlier Xvfb of the same test must not be taken for it.
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    tries=0
    until [ -s "$work/display" ]; do
        tries=$((tries + 1))
        [ $tries -le 100 ] && kill -0 $xvfb 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
        sleep 0.1
    done
    DISPLAY=:$(cat "$work/display")
    export DISPLAY
}

# A directory the game can run in: "font.ttf" there is the test font.
make_game_dir()
{
    mkdir -p "$1"
    ln -s "$FONT" "$1/font.ttf"
}

# Runs the game headless in directory $1, driven by the script file $2 under
# virtual time (deterministic). Standard output and error go to $1/out and
# $1/err; the exit status is left in $status.
run_scripted()
{
    status=0
    (cd "$1" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VLIM_VIRTUAL_TIME=1 \
        VLIM_SCRIPT="$2" LD_PRELOAD="$GAME_SCRIPT" "$VLIM" >out 2>err) || status=$?
}

# Fails unless the game in directory $1 ended with status $2.
expect_status()
{
    [ "$status" -eq "$2" ] || {
        cat "$1/err" >&2
        fail "exit status $status, expected $2"
    }
}

# Writes the pixels of the first 320x240 of image $1 to file $2, one
# "x,y: (r,g,b) ..." line each, as ImageMagick's txt format has it.
dump_pixels()
{
    convert "$1" -crop 320x240+0+0 +repage -colorspace sRGB -type TrueColor -depth 8 txt:- >"$2" ||
        fail "cannot read $1"
}

# Prints how many pixels of dump $1 in the rectangle x0 y0 x1 y1 (inclusive)
# are within 8 per channel of colour r g b.
count_colour()
{
    awk -F'[^0-9]+' -v x0="$2" -v y0="$3" -v x1="$4" -v y1="$5" -v r="$6" -v g="$7" -v b="$8" '
        function near(v, c) { return v - c <= 8 && c - v <= 8 }
        NR > 1 && $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && near($3, r) && near($4, g) && near($5, b) { n++ }
        END { print n + 0 }' "$1"
}

# Title screen: the title word "vlim", drawn at (30, 0) in the text colour,
# and no band anywhere in screen column 99, where a live band's head is.
is_title_screen()
{
    # shellcheck disable=SC2086  # the colours are three words on purpose
    [ "$(count_colour "$1" 30 0 250 80 $TEXT)" -ge 100 ] &&
        [ "$(count_colour "$1" 99 0 99 239 $BAND)" -eq 0 ]
}

# A fresh band in play: its head fills rows 110..129 of column 99 and no
# more, and the walls cover that column's top 30 and bottom 20 rows, which
# the cave never leaves open.
is_fresh_band_in_play()
{
    # shellcheck disable=SC2086
    [ "$(count_colour "$1" 99 110 99 129 $BAND)" -eq 20 ] &&
        [ "$(count_colour "$1" 99 109 99 109 $BAND)" -eq 0 ] &&
        [ "$(count_colour "$1" 99 130 99 130 $BAND)" -eq 0 ] &&
        [ "$(count_colour "$1" 99 0 99 29 $WALL)" -eq 30 ] &&
        [ "$(count_colour "$1" 99 220 99 239 $WALL)" -eq 20 ]
}
