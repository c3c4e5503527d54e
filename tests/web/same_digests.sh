#!/bin/sh
# The same seeded run on this machine and in WebAssembly under Node.js must
# print the same digests, line for line.
#   same_digests.sh NATIVE_SIM_DIGEST WASM_SIM_DIGEST_JS
set -eu
native=$("$1")
wasm=$(node "$2")
[ "$(printf '%s\n' "$native" | grep -c '^frame ')" -eq 10 ] || { echo "the native run printed no 10 checkpoints" >&2; exit 1; }
if [ "$native" != "$wasm" ]; then
    printf '%s\n' "$native" >native.txt
    printf '%s\n' "$wasm" >wasm.txt
    diff native.txt wasm.txt >&2 || true
    echo "WebAssembly's digests differ from this machine's" >&2
    exit 1
fi
printf '%s\n' "$wasm"
echo "WebAssembly and $(uname -m): the same digests"
