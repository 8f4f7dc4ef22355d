#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz/ into build-fuzz/ and runs each for SECONDS (default 60),
# one per core at a time, starting from its seeds in tests/fuzz/corpus/NAME/. Fails on any finding and
# prints the input's path and the command that reproduces it; the input and the fuzzer's log are kept
# in build-fuzz/findings/. A time-out or running out of memory is run again alone: one the input does
# not repeat came from the load on the machine, and is reported without failing.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-missing.sh cmake make clang libclang-rt-14-dev qt6-base-dev qt6-image-formats-plugins libisal-dev
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPALSHIFT_FUZZERS=ON -DPALSHIFT_TESTS=OFF >/dev/null
cmake --build build-fuzz --target palshift_fuzzers --parallel "$(nproc)"
mkdir -p build-fuzz/findings

limits=(-timeout=30 -rss_limit_mb=2560)
fuzz() {
    local name="$1"
    mkdir -p "build-fuzz/corpus/$name"  # what the fuzzer learns goes here, not into the seeds
    "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" "${limits[@]}" \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$name-" \
        "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name" >"build-fuzz/findings/$name.log" 2>&1
}

# Whether what ended NAME's fuzzer is a finding; each input it wrote is printed with its reproduction.
confirmed() {
    local name="$1" input rerun confirmed=false inputs
    mapfile -t inputs < <(sed -n 's/.*Test unit written to //p' "build-fuzz/findings/$name.log")
    if ((${#inputs[@]} == 0)); then
        echo "$name: the fuzzer failed with no input to blame; its log is build-fuzz/findings/$name.log"
        return 0
    fi
    for input in "${inputs[@]}"; do
        rerun="build-fuzz/tests/fuzz/fuzz_$name ${limits[*]} $input"
        case "${input##*/}" in
        "$name-slow-unit-"*) continue ;;  # only noted, never what ended the fuzzer
        "$name-timeout-"* | "$name-oom-"*)
            if $rerun >"$input.alone.log" 2>&1; then
                echo "$name: $input failed only under load; alone it passes: $rerun"
                continue
            fi ;;
        esac
        echo "$name: a finding: $input"
        echo "    reproduce with: $rerun"
        confirmed=true
    done
    $confirmed
}

names=()
for harness in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$harness" ] && [ -x "$harness" ] && names+=("${harness##*/fuzz_}")
done
echo "Fuzzing ${names[*]} for $seconds s each"
declare -A running=()
ended=()
finish_one() {
    local pid status=0
    wait -n -p pid "${!running[@]}" || status=$?
    local name="${running[$pid]}"
    unset "running[$pid]"
    if ((status == 0)); then
        echo "$name: $(grep -E '^Done [0-9]+ runs' "build-fuzz/findings/$name.log")"
    else
        tail -n 60 "build-fuzz/findings/$name.log"
        ended+=("$name")
    fi
}
for name in "${names[@]}"; do
    ((${#running[@]} < $(nproc))) || finish_one
    fuzz "$name" &
    running[$!]="$name"
done
while ((${#running[@]} > 0)); do finish_one; done

# Once every fuzzer has stopped, so that an input run again runs alone.
failed=()
for name in "${ended[@]}"; do
    confirmed "$name" || continue
    failed+=("$name")
done
((${#failed[@]} == 0)) || { echo "Fuzzing failed: ${failed[*]}"; exit 1; }
echo "Fuzzing found nothing"
