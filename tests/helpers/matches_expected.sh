#!/bin/sh
# Runs a cross-check program and compares what it prints with the output
# committed for it, line for line. Every build on every machine must print
# exactly that; a difference shows as a diff that names the checkpoint and
# the figure that moved.
#   matches_expected.sh EXPECTED COMMAND [ARGUMENT...]
set -eu
expected=$1
shift
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$@" >"$actual"
if ! diff -u "$expected" "$actual" >&2; then
    echo "$(basename "$expected"): this build prints otherwise (above: - expected, + printed)" >&2
    exit 1
fi
echo "$(basename "$expected"): printed exactly, $(wc -l <"$expected") lines"
