#!/bin/bash
# Interrupts batches of `palshift convert ... --output-dir` at random moments and counts the runs that
# left anything behind (a temporary, a short output), printed a failure, or ended with another status.
#   scripts/interrupted_batches.sh [RUNS] [anonymous|named] [SIGNAL...]     (defaults: 200 anonymous INT TERM)
# named forces the named temporaries of file systems without O_TMPFILE through an LD_PRELOAD shim.
# After a KILL, which nothing can catch, the next save into the folder must remove what it left.
set -u
cd "$(dirname "$0")/.." || exit
runs=${1:-200}; mode=${2:-anonymous}; shift $(($# < 2 ? $# : 2))
if [ $# -gt 0 ]; then signals=("$@"); else signals=(INT TERM); fi
program=${PALSHIFT:-$PWD/build/palshift}
palettes=(--source-pal "$PWD/data/diablo.pal" --target-pal "$PWD/data/diablo2.pal")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir "$work/pictures"

# 40 pictures of 384 x 384 in the Diablo 1 palette: a batch of a few tenths of a second.
python3 - "$PWD/data/diablo.pal" "$work/pictures" <<'PY'
import random, struct, sys
palette = open(sys.argv[1], 'rb').read()[:768]
random.seed(1)
side = 384
pixels = bytearray()
for _ in range(side * side):
    i = random.randrange(256)
    pixels += bytes([palette[3 * i + 2], palette[3 * i + 1], palette[3 * i]])
header = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54) + struct.pack('<IiiHHIIiiII', 40, side, side, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
for k in range(40):
    open('%s/p%02d.bmp' % (sys.argv[2], k), 'wb').write(header + pixels)
PY
resultBytes=$((54 + 1024 + 384 * 384))

preload=()
if [ "$mode" = named ]; then
    cat > "$work/shim.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
static int pass(const char* name, const char* path, int flags, mode_t mode)
{
    if ((flags & O_TMPFILE) == O_TMPFILE) { errno = EOPNOTSUPP; return -1; }
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, name);
    return real(path, flags, mode);
}
int open(const char* path, int flags, ...) { va_list a; va_start(a, flags); mode_t m = va_arg(a, int); va_end(a); return pass("open", path, flags, m); }
int open64(const char* path, int flags, ...) { va_list a; va_start(a, flags); mode_t m = va_arg(a, int); va_end(a); return pass("open64", path, flags, m); }
C
    cc -shared -fPIC -O2 -o "$work/shim.so" "$work/shim.c" -ldl
    preload=(env LD_PRELOAD="$work/shim.so")
fi

# Files in the output folder other than the results: the names are the program's own, without newlines.
strays() { find "$1" -mindepth 1 -not -regex '.*/p[0-9][0-9]\.bmp' | wc -l; }

left=0 killed=0 short=0 failures=0 interrupted=0 finished=0 other=0 cleaned=0
for ((i = 0; i < runs; i++)); do
    signal=${signals[$((i % ${#signals[@]}))]}
    out=$work/out; rm -rf "$out"; mkdir "$out"
    "${preload[@]}" "$program" convert "$work"/pictures/*.bmp --output-dir "$out" "${palettes[@]}" 2>"$work/errors" &
    pid=$!
    sleep "0.$(printf %03d $((RANDOM % 350 + 20)))"
    kill -s "$signal" $pid 2>/dev/null
    wait $pid 2>/dev/null; status=$?
    expected=$((128 + $(kill -l "$signal")))
    if [ $status = 0 ]; then finished=$((finished + 1))
    elif [ $status = $expected ]; then interrupted=$((interrupted + 1))
    else other=$((other + 1)); echo "run $i, SIG$signal: status $status"; fi
    stray=$(strays "$out")
    if [ "$stray" -gt 0 ]; then
        if [ "$signal" = KILL ]; then killed=$((killed + 1)); else left=$((left + 1)); fi
    fi
    for file in "$out"/p*.bmp; do
        [ -e "$file" ] && [ "$(stat -c %s "$file")" != $resultBytes ] && { short=$((short + 1)); echo "run $i: $file is short"; }
    done
    if grep -vqE '^palshift: 40 converted, 0 failed$' "$work/errors"; then failures=$((failures + 1)); echo "run $i, SIG$signal:"; cat "$work/errors"; fi
    if [ "$signal" = KILL ] && [ "$stray" -gt 0 ]; then
        "${preload[@]}" "$program" convert "$work/pictures/p00.bmp" --output-dir "$out" "${palettes[@]}" 2>/dev/null
        [ "$(strays "$out")" = 0 ] && cleaned=$((cleaned + 1))
    fi
done
echo "$mode temporaries, SIG${signals[*]}: $runs runs ($interrupted interrupted, $finished finished first, $other other status);" \
     "left something behind: $left; short outputs: $short; printed a failure: $failures;" \
     "left something after KILL: $killed, removed by the next save: $cleaned"
[ $other = 0 ] && [ $left = 0 ] && [ $short = 0 ] && [ $failures = 0 ] && [ $cleaned = $killed ]
