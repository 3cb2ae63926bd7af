#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test: once as
# built for use, then orlousb.dll cross-built and tested under Wine, once
# under AddressSanitizer with UBSan, once under ThreadSanitizer (the
# library's worker against client threads), and runs each libFuzzer target
# for a few seconds over its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

run_suite() {
    local dir=$1; shift
    echo "== tests in $dir"
    BUILD_DIR="$dir" scripts/build.sh "$@"
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300 -LE wine
}

run_suite build
echo "== orlousb.dll under Wine"
time scripts/wine-test.sh
if [ "${ZQ40_SKIP_SANITIZERS:-0}" != 1 ]; then
    run_suite build-asan -DZQ40_ASAN=ON -DZQ40_BUILD_BENCH=OFF
    run_suite build-tsan -DZQ40_TSAN=ON -DZQ40_BUILD_BENCH=OFF

    echo "== fuzz smoke in build-fuzz"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
        -DZQ40_FUZZ=ON -DZQ40_BUILD_TESTS=OFF -DZQ40_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz --target fuzzers
    ctest --test-dir build-fuzz -L fuzz --output-on-failure
fi
