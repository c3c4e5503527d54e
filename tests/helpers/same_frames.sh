#!/bin/sh
# The seeded play of frame_dump on the SDL screen and on the software screen,
# each in a folder of its own (each saves its record): every frame must be
# the same to the pixel. On a difference, says which pixels of the first
# differing frame differ and what each screen has there.
# Usage: same_frames.sh FRAME_DUMP_SDL FRAME_DUMP_SOFTWARE
set -eu
sdl=$1 software=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/same_frames.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/sdl" "$dir/software"
(cd "$dir/sdl" && "$sdl") >"$dir/sdl.txt"
(cd "$dir/software" && "$software") >"$dir/software.txt"

# A comparison of frames that hardly change would prove little.
distinct=$(grep '^frame' "$dir/sdl.txt" | cut -d' ' -f3 | sort -u | wc -l)
frames=$(grep -c '^frame' "$dir/sdl.txt")
grep '^title' "$dir/sdl.txt"
if [ "$distinct" -lt 300 ]; then
    echo "only $distinct distinct frames of $frames" >&2
    exit 1
fi
if cmp -s "$dir/sdl.txt" "$dir/software.txt"; then
    echo "$frames frames ($distinct distinct) the same on both screens"
    exit 0
fi
first=$(diff "$dir/sdl.txt" "$dir/software.txt" | sed -n 's/^< frame \([0-9]*\) .*/\1/p' | head -n 1)
echo "frame ${first:-?} differs (of $frames)" >&2
if [ -n "$first" ]; then
    (cd "$dir/sdl" && rm -f highscore.dat && "$sdl" --frame "$first" ../sdl.raw) >/dev/null
    (cd "$dir/software" && rm -f highscore.dat && "$software" --frame "$first" ../software.raw) >/dev/null
    cmp -l "$dir/sdl.raw" "$dir/software.raw" | awk '{ p = int(($1 - 1) / 2); if (p != last) { n++; last = p } }
        n <= 20 && p != shown { printf "  pixel (%d, %d): SDL byte %s, software %s (octal)\n", p % 320, int(p / 320), $2, $3; shown = p }
        END { printf "  %d pixels differ\n", n }' >&2
fi
exit 1
