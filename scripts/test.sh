#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test: once as
# built for use, once under AddressSanitizer with UBSan, the tests whose
# code has threads of its own (the library, the bridge, the core and
# zq40ctl over them; label "threads") under ThreadSanitizer, each
# libFuzzer target for a few seconds over its seeds, and last the Windows
# build (orlousb.dll, zq40panel.exe, zq40ctl.exe and the installer) under
# Wine.
#
# The Windows programs need Qt cross-built for mingw-w64 (scripts/qt-mingw.sh),
# the longest step on a fresh machine and kept in a cache outside the tree.
# It builds at the lowest priority while the Linux stages run, on the time
# their tests leave free, and the Wine stage waits for it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

stage() {
    echo "== $1 took $((SECONDS - stage_started)) s (at $SECONDS s)"
    stage_started=$SECONDS
}
stage_started=$SECONDS

qt_log=$(mktemp)
# In a process group of its own, so that a stage that fails can end it (a
# new run starts it afresh), but in this session: the scheduler weighs
# niceness only within a session, and a session of its own would take half
# the processor from the stages.
set -m
JOBS=2 NICE=19 scripts/qt-mingw.sh >"$qt_log" 2>&1 &
qt_build=$!
set +m
trap 'kill -- -"$qt_build" 2>/dev/null || true' EXIT

run_suite() {
    local dir=$1; shift
    echo "== tests in $dir"
    BUILD_DIR="$dir" scripts/build.sh "$@"
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 300 -LE wine
    stage "$dir"
}

run_suite build
if [ "${ZQ40_SKIP_SANITIZERS:-0}" != 1 ]; then
    run_suite build-asan -DZQ40_ASAN=ON -DZQ40_BUILD_BENCH=OFF
    echo "== threaded tests in build-tsan"
    cmake -S . -B build-tsan -G Ninja -DZQ40_TSAN=ON -DZQ40_BUILD_BENCH=OFF >/dev/null
    cmake --build build-tsan --target threaded_tests
    ctest --test-dir build-tsan --output-on-failure -j2 --timeout 300 -L threads
    stage build-tsan

    echo "== fuzz smoke in build-fuzz"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
        -DZQ40_FUZZ=ON -DZQ40_BUILD_TESTS=OFF -DZQ40_BUILD_BENCH=OFF >/dev/null
    cmake --build build-fuzz --target fuzzers
    ctest --test-dir build-fuzz -L fuzz --output-on-failure
    stage build-fuzz
fi

echo "== Qt for Windows"
if ! wait "$qt_build"; then
    cat "$qt_log"
    echo "scripts/qt-mingw.sh failed" >&2
    exit 1
fi
grep '^qt-mingw:' "$qt_log" || echo "(Qt from the cache)"
stage "Qt for Windows (what was left of it)"
echo "== the Windows build under Wine"
ZQ40_QT_MINGW="$(tail -n1 "$qt_log")" scripts/wine-test.sh
rm -f "$qt_log"
stage "Windows build and Wine tests"
