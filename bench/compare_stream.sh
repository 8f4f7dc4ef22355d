#!/usr/bin/env bash
# Times the streaming conversion (bench/stream_convert, the conversion job file to file) and
# `palshift convert` against decoding the same picture with QImageReader alone (decode_only), in
# interleaved runs, and measures the peak memory of each; then times `palshift --version`.
#
#   bench/compare_stream.sh [BUILD_DIR]      BUILD_DIR defaults to build-bench
#
# BUILD_DIR must be configured with -DPALSHIFT_BENCHMARKS=ON and built. SIDE (default 4096) and
# RUNS (default 7) may be set in the environment. Installs hyperfine and GNU time when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
side=${SIDE:-4096}
runs=${RUNS:-7}

scripts/install-missing.sh hyperfine time
for tool in "$build/palshift" "$build/bench/decode_only" "$build/bench/make_bench_png" "$build/bench/stream_convert"; do
    [ -x "$tool" ] || { echo "compare_stream.sh: $tool is missing; build $build with -DPALSHIFT_BENCHMARKS=ON" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/palshift-stream.XXXXXX")
trap 'rm -rf "$work"' EXIT
pixels=$((side * side))

# Milliseconds of one run on the clock.
clock_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    local end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

peak_bytes_per_pixel() {
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1
    awk -v kib="$(cat "$work/rss")" -v px="$pixels" 'BEGIN { printf "%.2f", kib * 1024 / px }'
}

printf '%-22s %10s %10s %10s %14s %15s %11s %11s %11s\n' picture decode_ms stream_ms convert_ms stream/decode convert/decode peak_decode peak_stream peak_convert
for picture in random-rgb.png sprite-rgb.png random-indexed.png random-rgb.bmp; do
    IFS=- read -r content kind <<<"${picture%.*}"
    file="$work/$picture"
    "$build/bench/make_bench_png" "$side" "$content" "$kind" "$file"
    commands=(
        "$build/bench/decode_only $file"
        "$build/bench/stream_convert $file $work/stream.bmp"
        "$build/palshift convert $file -o $work/convert.bmp"
    )
    for command in "${commands[@]}"; do $command >/dev/null 2>&1; done  # warm the page cache
    : >"$work/times"
    for ((run = 0; run < runs; run++)); do
        for c in 0 1 2; do
            echo "$c $(clock_ms ${commands[$c]})" >>"$work/times"
        done
    done
    cmp -s "$work/stream.bmp" "$work/convert.bmp" || { echo "compare_stream.sh: $picture: stream_convert and palshift convert differ" >&2; exit 1; }
    d=$(awk '$1 == 0 { print $2 }' "$work/times" | median)
    s=$(awk '$1 == 1 { print $2 }' "$work/times" | median)
    c=$(awk '$1 == 2 { print $2 }' "$work/times" | median)
    printf '%-22s %10s %10s %10s %14s %15s %11s %11s %11s\n' "$picture" "$d" "$s" "$c" \
        "$(awk -v a="$s" -v b="$d" 'BEGIN { printf "%.2f", a / b }')" \
        "$(awk -v a="$c" -v b="$d" 'BEGIN { printf "%.2f", a / b }')" \
        "$(peak_bytes_per_pixel ${commands[0]})" "$(peak_bytes_per_pixel ${commands[1]})" "$(peak_bytes_per_pixel ${commands[2]})"
done
echo "(medians of $runs interleaved runs, $side x $side pixels, $(nproc) cores; peaks in bytes per pixel)"

echo
hyperfine -N --warmup 3 --runs 30 "$build/palshift --version" | grep -E 'Time|Range'
