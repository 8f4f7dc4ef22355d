#!/usr/bin/env bash
# Times `palshift convert` of square PNGs drawn in the Diablo 1 palette against decoding the same
# PNG with QImageReader alone (decode_only), and measures the peak memory of both.
#
#   bench/compare_convert.sh [BUILD_DIR]      BUILD_DIR defaults to build-bench
#
# BUILD_DIR must be configured with -DPALSHIFT_BENCHMARKS=ON and built. SIDE (default 4096) and
# RUNS (default 10) may be set in the environment. Installs hyperfine and GNU time when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-bench}")
side=${SIDE:-4096}
runs=${RUNS:-10}

scripts/install-missing.sh hyperfine time
for tool in "$build/palshift" "$build/bench/decode_only" "$build/bench/make_bench_png"; do
    [ -x "$tool" ] || { echo "compare_convert.sh: $tool is missing; build $build with -DPALSHIFT_BENCHMARKS=ON" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/palshift-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
pixels=$((side * side))

# Peak resident memory of one run, in bytes per pixel of the picture.
peak_bytes_per_pixel() {
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
    awk -v kib="$(cat "$work/rss")" -v px="$pixels" 'BEGIN { printf "%.2f", kib * 1024 / px }'
}

summary=()
for content in random sprite; do
    for kind in rgb indexed; do
        name="$content-$kind"
        png="$work/$name.png"
        "$build/bench/make_bench_png" "$side" "$content" "$kind" "$png"
        echo
        echo "== $name.png: $side x $side, $(stat -c %s "$png") bytes"
        hyperfine -N --warmup 2 --runs "$runs" --export-csv "$work/$name.csv" \
            -n decode "$build/bench/decode_only $png" \
            -n convert "$build/palshift convert $png -o $work/$name.bmp"
        # The CSV has one line per command after its header: command,mean,stddev,median,...
        ratio=$(awk -F, '$1 == "decode" { d = $4 } $1 == "convert" { c = $4 } END { printf "%.2f", c / d }' "$work/$name.csv")
        medians=$(awk -F, 'NR > 1 { printf "%s %.0f ms  ", $1, $4 * 1000 }' "$work/$name.csv")
        decode_peak=$(peak_bytes_per_pixel "$build/bench/decode_only" "$png")
        convert_peak=$(peak_bytes_per_pixel "$build/palshift" convert "$png" -o "$work/$name.bmp")
        summary+=("$(printf '%-15s %s convert/decode %s  peak bytes/pixel: decode %s, convert %s' \
            "$name" "$medians" "$ratio" "$decode_peak" "$convert_peak")")
    done
done

echo
echo "Medians of $runs runs, $side x $side pixels, $(nproc) cores:"
printf '%s\n' "${summary[@]}"
