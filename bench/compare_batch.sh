#!/usr/bin/env bash
# Times `palshift convert` of a batch of pictures (COUNT, default 64, of SIDE x SIDE, default 1024,
# drawn in the Diablo 1 palette: half random RGB PNGs, half sprite RGB PNGs) into a folder, on one
# core and on two (taskset), in interleaved runs; prints the median wall time of each and the peak
# memory of one run of each.
#
#   bench/compare_batch.sh [BUILD_DIR]      BUILD_DIR defaults to build-bench
#
# BUILD_DIR must be configured with -DPALSHIFT_BENCHMARKS=ON and built. RUNS (default 5) may be
# set. Installs GNU time when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
side=${SIDE:-1024}
count=${COUNT:-64}
runs=${RUNS:-5}

scripts/install-missing.sh time
for tool in "$build/palshift" "$build/bench/make_bench_png"; do
    [ -x "$tool" ] || { echo "compare_batch.sh: $tool is missing; build $build with -DPALSHIFT_BENCHMARKS=ON" >&2; exit 1; }
done
[ "$(nproc)" -ge 2 ] || { echo "compare_batch.sh: needs two cores" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/palshift-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/out"
for ((i = 0; i < count; i++)); do
    content=$([ $((i % 2)) -eq 0 ] && echo random || echo sprite)
    "$build/bench/make_bench_png" "$side" "$content" rgb "$work/in/$(printf '%03d' "$i")-$content.png"
done

clock_ms() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    local end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f\n", (e - s) * 1000 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cores=("0" "0,1")
convert=("$build/palshift" convert "$work"/in/*.png --output-dir "$work/out")
taskset -c 0,1 "${convert[@]}"  # warm the page cache
: >"$work/times"
for ((run = 0; run < runs; run++)); do
    for c in 0 1; do
        echo "$c $(clock_ms taskset -c "${cores[$c]}" "${convert[@]}")" >>"$work/times"
    done
done
printf '%-8s %10s %12s\n' cores wall_ms peak_MiB
for c in 0 1; do
    /usr/bin/time -f %M -o "$work/rss" taskset -c "${cores[$c]}" "${convert[@]}" >/dev/null 2>&1
    printf '%-8s %10s %12s\n' "$((c + 1))" "$(awk -v c="$c" '$1 == c { print $2 }' "$work/times" | median)" \
        "$(awk '{ printf "%.1f", $1 / 1024 }' "$work/rss")"
done
echo "($count pictures of $side x $side, medians of $runs interleaved runs)"
