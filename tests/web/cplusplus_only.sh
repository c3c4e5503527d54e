#!/bin/sh
# Every function the browser's program defines itself has C++ linkage, main
# aside, so none takes the place of the C library's own: an
# extern "C" sync() would quietly win the link over it.
#   sh cplusplus_only.sh NM OBJECT_OR_ARCHIVE...
nm=$1
shift
"$nm" --defined-only --extern-only --format=posix "$@" | awk '
    $2 !~ /^[Tt]$/ { next }
    $1 == "main" { main = 1; next }
    $1 !~ /^_Z/ { print "defined with C linkage: " $1; bad = 1 }
    END {
        if (!main)
            print "no main among the definitions read"
        exit bad || !main
    }'
