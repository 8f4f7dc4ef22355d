#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz/ into build-fuzz/ and runs each for SECONDS (default 60),
# one per core at a time, starting from its seeds in tests/fuzz/corpus/NAME/. Fails on any finding; the
# input that caused it and the fuzzer's log are kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-missing.sh cmake make clang libclang-rt-14-dev qt6-base-dev qt6-image-formats-plugins libisal-dev
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPALSHIFT_FUZZERS=ON -DPALSHIFT_TESTS=OFF >/dev/null
cmake --build build-fuzz --target palshift_fuzzers --parallel "$(nproc)"
mkdir -p build-fuzz/findings

fuzz() {
    local name="$1"
    mkdir -p "build-fuzz/corpus/$name"  # what the fuzzer learns goes here, not into the seeds
    "build-fuzz/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$name-" \
        "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name" >"build-fuzz/findings/$name.log" 2>&1
}

names=()
for harness in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$harness" ] && [ -x "$harness" ] && names+=("${harness##*/fuzz_}")
done
echo "Fuzzing ${names[*]} for $seconds s each"
declare -A running=()
failed=()
finish_one() {
    local pid status=0
    wait -n -p pid "${!running[@]}" || status=$?
    local name="${running[$pid]}"
    unset "running[$pid]"
    if ((status == 0)); then
        echo "$name: $(grep -E '^Done [0-9]+ runs' "build-fuzz/findings/$name.log")"
    else
        failed+=("$name")
        tail -n 60 "build-fuzz/findings/$name.log"
        echo "$name: a finding; its log and input are in build-fuzz/findings/"
    fi
}
for name in "${names[@]}"; do
    ((${#running[@]} < $(nproc))) || finish_one
    fuzz "$name" &
    running[$!]="$name"
done
while ((${#running[@]} > 0)); do finish_one; done

((${#failed[@]} == 0)) || { echo "Fuzzing failed: ${failed[*]}"; exit 1; }
echo "Fuzzing found nothing"
