#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz/ into build-fuzz/ and runs each for SECONDS (default 60),
# starting from its seeds in tests/fuzz/corpus/NAME/. Fails on any finding; the input that caused it
# and the fuzzer's log are kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-missing.sh cmake make clang libclang-rt-14-dev qt6-base-dev qt6-image-formats-plugins
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPALSHIFT_FUZZERS=ON -DPALSHIFT_TESTS=OFF >/dev/null
cmake --build build-fuzz --target palshift_fuzzers --parallel "$(nproc)"

mkdir -p build-fuzz/findings
failed=()
for harness in build-fuzz/tests/fuzz/fuzz_*; do
    [ -f "$harness" ] && [ -x "$harness" ] || continue
    name="${harness##*/fuzz_}"
    log="build-fuzz/findings/$name.log"
    mkdir -p "build-fuzz/corpus/$name"  # what the fuzzer learns goes here, not into the seeds
    echo "Fuzzing $name for $seconds s"
    if "$harness" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$name-" "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name" \
        >"$log" 2>&1; then
        grep -E '^Done [0-9]+ runs' "$log" || true
    else
        failed+=("$name")
        tail -n 60 "$log"
        echo "fuzz_$name found a fault; its log and input are in build-fuzz/findings/"
    fi
done
((${#failed[@]} == 0)) || { echo "Fuzzing failed: ${failed[*]}"; exit 1; }
echo "Fuzzing found nothing"
