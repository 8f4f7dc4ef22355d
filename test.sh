#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then builds them all again with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs them there, and runs each
# fuzzer for a minute. ./test.sh --quick runs only the first suite.
set -euo pipefail
cd "$(dirname "$0")"
quick=false
[ "${1:-}" = "--quick" ] && quick=true
source scripts/setup.sh

ctest --test-dir build --output-on-failure --parallel "$(nproc)"
$quick && exit 0

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPALSHIFT_SANITIZERS=ON >/dev/null
cmake --build build-asan --parallel "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)"

scripts/fuzz.sh 60
