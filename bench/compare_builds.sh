#!/usr/bin/env bash
# Times `palshift convert` of two builds on the same pictures, alternating run by run, and prints
# the median clock time of each: a 16 x 16 palette PNG and 4096 x 4096 palette PNG, 24-bit BMP,
# sprite RGB PNG and random RGB PNG.
#
#   bench/compare_builds.sh BEFORE_DIR AFTER_DIR      RUNS (default 31) may be set
#
# Both folders hold a built palshift with its palettes beside it; AFTER_DIR also bench/make_bench_png.
set -euo pipefail
before=$(realpath "${1:?usage: bench/compare_builds.sh BEFORE_DIR AFTER_DIR}")
after=$(realpath "${2:?usage: bench/compare_builds.sh BEFORE_DIR AFTER_DIR}")
runs=${RUNS:-31}
work=$(mktemp -d "${TMPDIR:-/tmp}/palshift-builds.XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-26s %10s %10s\n' picture before_ms after_ms
for picture_kind in "16 random indexed png" "4096 random indexed png" "4096 random rgb bmp" "4096 sprite rgb png" "4096 random rgb png"; do
    read -r side content kind ending <<<"$picture_kind"
    picture="$work/$side-$content-$kind.$ending"
    "$after/bench/make_bench_png" "$side" "$content" "$kind" "$picture"
    : >"$work/times"
    for ((run = -1; run < runs; run++)); do  # the first round only warms the page cache
        for build in before after; do
            folder=$before; [ "$build" = after ] && folder=$after
            start=$EPOCHREALTIME
            "$folder/palshift" convert "$picture" -o "$work/$build.bmp" >/dev/null 2>&1
            end=$EPOCHREALTIME
            ((run >= 0)) && awk -v b="$build" -v s="$start" -v e="$end" 'BEGIN { printf "%s %.2f\n", b, (e - s) * 1000 }' >>"$work/times"
        done
    done
    cmp -s "$work/before.bmp" "$work/after.bmp" || { echo "compare_builds.sh: $picture: the builds wrote different bytes" >&2; exit 1; }
    printf '%-26s %10s %10s\n' "$(basename "$picture")" \
        "$(awk '$1 == "before" { print $2 }' "$work/times" | median)" "$(awk '$1 == "after" { print $2 }' "$work/times" | median)"
done
echo "(medians of $runs alternating runs)"
