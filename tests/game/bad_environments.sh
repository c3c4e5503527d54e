#!/bin/sh
# The real game started among broken files: a "font.ttf" that is no font or
# a damaged one, a "highscore.dat" that cannot be read as a record, and a
# working directory where the record cannot be saved. Each time the game
# must start, show the right record, play a whole run and report nothing
# (but the font's own message). startup_failures covers no display and no
# "font.ttf" at all.
#
# The record shown is judged by the title screen: the same record shows the
# same pixels, so a snapshot is compared with one of a game that read a
# clean file holding the record expected.
set -eu
. "$(dirname "$0")/harness.sh"
use_build "$1"
shipped_game
make_work bad-env

# Plays the standard run in the game directory $WORK/$1, through the command
# in the remaining arguments if any, with snapshots of the title screen
# before and after the run in $WORK/$1-before.bmp and $1-after.bmp, outside
# the game's directory, which may not be writable; fails unless the game
# ends with status 0.
play()
{
    standard_run "5 snapshot $WORK/$1-before.bmp" "320 snapshot $WORK/$1-after.bmp" >"$WORK/$1.script"
    game=$WORK/$1
    shift
    play_game 0 "$game" "$game.script" "$@"
}

# Fails unless case $1 showed the same title screens, before and after the
# run, as reference $2.
expect_screens_of()
{
    cmp -s "$WORK/$1-before.bmp" "$WORK/ref-$2-before.bmp" ||
        fail "$1: the title screen differs from that of a record of $2 ($1-before.bmp)"
    cmp -s "$WORK/$1-after.bmp" "$WORK/ref-$2-after.bmp" ||
        fail "$1: after the run the title screen differs from the reference's ($1-after.bmp)"
}

# Fails unless game directory $1 holds no temporary file of a save (case $2).
expect_no_temp()
{
    ! ls -A "$1" | grep -q '^highscore\.dat\.tmp' || fail "$2: temporary file left behind: $(ls -A "$1")"
}

# Fails unless snapshot $1 shows no pixel in the text colour.
expect_no_text()
{
    dump_pixels "$WORK/$1" "$WORK/$1.txt"
    [ "$(count_colour "$WORK/$1.txt" "$TEXT_RGB")" -eq 0 ] || fail "text drawn on $1"
}

# References: the records a damaged file may come down to, read from clean
# files. Their title screens must differ, or comparing with them proves nothing.
for record in "0 0" "0 1" "5 0" "42 3.5"; do
    name=$(echo "$record" | tr ' ' _)
    game=$(make_game_dir "$WORK/ref-$name")
    [ "$record" = "0 0" ] || printf '%s' "-1 $record" >"$game/highscore.dat"
    play "ref-$name"
    expect_quiet "$game"
done
for a in 0_0 0_1 5_0 42_3.5; do
    for b in 0_1 5_0 42_3.5; do
        [ "$a" = "$b" ] || ! cmp -s "$WORK/ref-$a-before.bmp" "$WORK/ref-$b-before.bmp" ||
            fail "the records $a and $b show the same title screen"
    done
done
expect_file "$WORK/ref-0_0/highscore.dat" "$STANDARD_RECORD"

# ---- "highscore.dat" that holds no usable record ----

# Case name, content, the record it must be read as, and the file after the
# run: "same" for untouched, else the text it must hold.
check_record_file()
{
    name=$1 reference=$3 after=$4
    game=$(make_game_dir "$WORK/$name")
    printf '%s' "$2" >"$game/highscore.dat"
    cp "$game/highscore.dat" "$WORK/$name.old"
    play "$name"
    expect_quiet "$game"
    expect_screens_of "$name" "$reference"
    if [ "$after" = same ]; then
        cmp -s "$WORK/$name.old" "$game/highscore.dat" || fail "$name: the record file was changed"
    else
        expect_file "$game/highscore.dat" "$after"
    fi
    expect_no_temp "$game" "$name"
}

check_record_file nan "nan" 0_0 "$STANDARD_RECORD"
check_record_file inf "inf" 0_0 "$STANDARD_RECORD"
# A score beyond int32 is unreadable, the time after it is read.
check_record_file huge-score "-1 99999999999 1" 0_1 "-1 7 1"
# A time beyond double is unreadable, the score before it stands.
check_record_file huge-time "-1 5 1e400" 5_0 "$STANDARD_RECORD"
# Megabytes: a record at the front is read, and not beaten; one behind 5 MB
# of blanks is not read at all.
blanks=$(head -c 5000000 /dev/zero | tr '\0' ' ')
check_record_file huge-file "-1 42 3.5$blanks" 42_3.5 same
check_record_file huge-file-late "$blanks-1 42 3.5" 0_0 "$STANDARD_RECORD"
# Binary: the game's own first 64 KiB, NULs and all.
game=$(make_game_dir "$WORK/binary")
head -c 65536 "$VLIM" >"$game/highscore.dat"
play binary
expect_quiet "$WORK/binary"
expect_screens_of binary 0_0
expect_file "$game/highscore.dat" "$STANDARD_RECORD"

# A directory: nothing to read, and the new record cannot replace it; it is
# kept in memory and shown.
game=$(make_game_dir "$WORK/directory")
mkdir "$game/highscore.dat"
play directory
expect_quiet "$WORK/directory"
expect_screens_of directory 0_0
[ -d "$game/highscore.dat" ] && [ -z "$(ls -A "$game/highscore.dat")" ] || fail "directory: highscore.dat was touched"
expect_no_temp "$game" directory

# A FIFO: opening it must not wait for a writer; like the directory, it is
# no record and is never replaced.
game=$(make_game_dir "$WORK/fifo")
mkfifo "$game/highscore.dat"
play fifo
expect_quiet "$WORK/fifo"
expect_screens_of fifo 0_0
[ -p "$game/highscore.dat" ] || fail "fifo: highscore.dat was replaced"
expect_no_temp "$game" fifo

# Strays under temporary names, a directory among them, neither stop the
# save nor are touched.
game=$(make_game_dir "$WORK/stray-temps")
printf '%s' "-1 3 0.1" >"$game/highscore.dat"
mkdir "$game/highscore.dat.tmp" "$game/highscore.dat.tmp.1.0"
play stray-temps
expect_quiet "$WORK/stray-temps"
expect_file "$game/highscore.dat" "$STANDARD_RECORD"
[ "$(ls -A "$game" | tr '\n' ' ')" = "font.ttf highscore.dat highscore.dat.tmp highscore.dat.tmp.1.0 " ] ||
    fail "stray-temps: left $(ls -A "$game")"

# Unreadable: read as no record, and never replaced; the run's record is
# kept in memory and shown.
if as_player true; then
    game=$(make_game_dir "$WORK/unreadable")
    printf '%s' "-1 42 3.5" >"$game/highscore.dat"
    chmod 000 "$game/highscore.dat"
    ! as_player cat "$game/highscore.dat" >/dev/null 2>&1 || fail "unreadable: the file can be read after all"
    play unreadable as_player
    expect_quiet "$WORK/unreadable"
    expect_screens_of unreadable 0_0
    expect_file "$game/highscore.dat" "-1 42 3.5"
else
    echo "note: cannot drop root's file capabilities here: unreadable record file not tested"
fi

# ---- a working directory where the record cannot be saved ----
# The run beats the old record; the save fails silently, the old file stays
# byte for byte, nothing is left behind, and the title screen shows the new
# record all the same (as a game that could save it).
OLD_RECORD="-1 3 0.1"
expect_old_record_kept()
{
    [ "$(cat "$1")" = "$OLD_RECORD" ] || fail "$2: the old record became '$(cat "$1")'"
}

# A file-size limit of 0 bytes: the save fails as on a full disk, where
# SIGXFSZ would end the game. (No snapshots: the limit would stop them.)
game=$(make_game_dir "$WORK/size-limit")
printf '%s' "$OLD_RECORD" >"$game/highscore.dat"
standard_run >"$WORK/size-limit.script"
play_game 0 "$game" "$WORK/size-limit.script" sh -c 'ulimit -f 0 && exec "$@"' sh
expect_quiet "$game"
expect_old_record_kept "$game/highscore.dat" size-limit
expect_no_temp "$game" size-limit

# A directory without write permission.
if as_player true; then
    game=$(make_game_dir "$WORK/read-only-dir")
    printf '%s' "$OLD_RECORD" >"$game/highscore.dat"
    chmod 555 "$game"
    play read-only-dir as_player
    chmod 755 "$game"
    expect_quiet "$WORK/read-only-dir"
    cmp -s "$WORK/ref-0_0-after.bmp" "$WORK/read-only-dir-after.bmp" || fail "read-only-dir: the new record is not shown"
    expect_old_record_kept "$game/highscore.dat" read-only-dir
    [ "$(ls -A "$game")" = "$(printf 'font.ttf\nhighscore.dat')" ] || fail "read-only-dir: left $(ls -A "$game")"
else
    echo "note: cannot drop root's file capabilities here: unwritable directory not tested"
fi

# A file system mounted read-only, in a mount namespace of the game's own.
# The mount hides what the directory held, so the game's files are laid in
# it from inside, and what is left afterwards is listed from inside too.
# shellcheck disable=SC2016  # expanded by the inner shell
read_only_fs='
    dir=$(pwd)
    mount -t tmpfs -o size=64k,mode=0755 vlim-read-only "$dir"
    cd "$dir"
    ln -s "$FONT" font.ttf
    printf "%s" "$OLD_RECORD" >highscore.dat
    mount -o remount,ro "$dir"
    status=0
    "$@" || status=$?
    ls -A >"$AFTER.ls"
    cp highscore.dat "$AFTER.record"
    exit $status'
if unshare --mount true 2>/dev/null; then
    game=$WORK/read-only-fs
    mkdir "$game"
    export FONT OLD_RECORD
    AFTER=$WORK/read-only-fs.left
    export AFTER
    play read-only-fs unshare --mount sh -euc "$read_only_fs" sh
    expect_quiet "$WORK/read-only-fs"
    cmp -s "$WORK/ref-0_0-after.bmp" "$WORK/read-only-fs-after.bmp" || fail "read-only-fs: the new record is not shown"
    expect_old_record_kept "$AFTER.record" read-only-fs
    [ "$(cat "$AFTER.ls")" = "$(printf 'font.ttf\nhighscore.dat')" ] || fail "read-only-fs: left $(cat "$AFTER.ls")"
else
    echo "note: no mount namespace here: read-only file system not tested"
fi

# ---- "font.ttf" that is no font ----
# Each font size reports once on standard output; the game then plays its
# run without any text and saves the record.

# Prints the offset and length of table $2 of the TrueType file $1, from its
# table directory: at 12 + 16 i, the tag, a checksum, the offset, the length.
font_table()
{
    tables=$(od -An -tu1 -j4 -N2 "$1" | awk '{ print $1 * 256 + $2 }')
    i=0
    while [ "$i" -lt "$tables" ]; do
        entry=$((12 + 16 * i))
        if [ "$(dd if="$1" bs=1 skip="$entry" count=4 2>/dev/null)" = "$2" ]; then
            od -An -tu1 -j$((entry + 8)) -N8 "$1" |
                awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4, (($5 * 256 + $6) * 256 + $7) * 256 + $8 }'
            return 0
        fi
        i=$((i + 1))
    done
    return 1
}

check_font()
{
    name=$1 expected_messages=$2
    game=$WORK/$name
    play "$name"
    [ ! -s "$WORK/$name.err" ] || fail "$name: standard error: $(cat "$WORK/$name.err")"
    [ "$(grep -c '^TTF_OpenFont: ..*' "$WORK/$name.out")" -eq "$expected_messages" ] &&
        [ "$(wc -l <"$WORK/$name.out")" -eq "$expected_messages" ] ||
        fail "$name: standard output '$(cat "$WORK/$name.out")', expected $expected_messages TTF_OpenFont lines"
    expect_no_text "$name-before.bmp"
    expect_no_text "$name-after.bmp"
    expect_file "$game/highscore.dat" "$STANDARD_RECORD"
}

mkdir "$WORK/font-text" "$WORK/font-empty" "$WORK/font-directory" "$WORK/font-truncated" "$WORK/font-damaged"
echo "This is not a font, only text with a font's name." >"$WORK/font-text/font.ttf"
: >"$WORK/font-empty/font.ttf"
mkdir "$WORK/font-directory/font.ttf"
head -c 65536 "$FONT" >"$WORK/font-truncated/font.ttf"
# A FIFO would block the font's open for ever: it counts as no font.
mkdir "$WORK/font-fifo"
mkfifo "$WORK/font-fifo/font.ttf"
for name in font-text font-empty font-directory font-truncated font-fifo; do
    check_font "$name" 2
done

# No font, and standard output a pipe that nobody reads: the font's
# messages are lost, the game is not (SIGPIPE would end it).
mkdir "$WORK/closed-output"
play closed-output perl -e 'pipe(my $r, my $w) or die; close $r; open(STDOUT, ">&", $w) or die; exec @ARGV or die' --
[ ! -s "$WORK/closed-output.err" ] || fail "closed-output: standard error: $(cat "$WORK/closed-output.err")"
expect_no_text closed-output-after.bmp
expect_file "$WORK/closed-output/highscore.dat" "$STANDARD_RECORD"

# A whole font whose glyph index ("loca") is overwritten: it opens, but no
# text renders. The game says nothing and draws nothing, every frame.
cp "$FONT" "$WORK/font-damaged/font.ttf"
loca=$(font_table "$FONT" loca) || fail "no loca table in $FONT"
# shellcheck disable=SC2086  # offset and length
set -- $loca
head -c "$2" /dev/zero | tr '\0' '\377' | dd of="$WORK/font-damaged/font.ttf" bs=4096 seek="$1" oflag=seek_bytes conv=notrunc 2>/dev/null
cmp -s "$FONT" "$WORK/font-damaged/font.ttf" && fail "the damaged font is not damaged"
check_font font-damaged 0

echo "bad environments: the game started, showed the right record and played on in every one"
