#!/usr/bin/env bash
# zq40ctl.exe and zq40panel.exe under Wine, on the offscreen platform: both
# start from bin/ with what lies beside them, zq40ctl lists no units and then
# both emulated ones (it waits for as many as the census found), and a second
# panel leaves at once with 0 while the first runs.
#
#   windows_programs.sh WINE64_LOADER PREFIX BIN UMOCKDEV_WRAPPER ZQ40_EMULATE
set -euo pipefail
loader=$1 bin=$3 wrapper=$4 emulate=$5
export WINEPREFIX=$2 WINEDEBUG=-all QT_QPA_PLATFORM=offscreen PATH="$(dirname "$loader"):$PATH"
cd "$bin"
work=$(mktemp -d)
first=
cleanup() {
    local status=$?
    if [ -n "$first" ]; then
        kill "$first" 2>/dev/null || true
        wait "$first" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

version=$("$loader" ./zq40ctl.exe --version | tr -d '\r')
grep -q '^zq40ctl [0-9]' <<<"$version" || { echo "zq40ctl --version: $version"; exit 1; }
listing=$(timeout 60 "$loader" ./zq40ctl.exe list | tr -d '\r')
[ "$(tr -s ' ' <<<"$listing")" = "SERIAL NAME FIRMWARE STATE" ] || { echo "zq40ctl list: $listing"; exit 1; }
# Wine's HID bus sees the emulated units only when the server starts under the emulator.
wineserver -k 2>/dev/null || true
wineserver -w
listing=$(timeout 120 "$wrapper" "$emulate" --units 2 -- "$loader" ./zq40ctl.exe list | tr -d '\r')
wineserver -k 2>/dev/null || true
wineserver -w
serials=$(awk 'NR > 1 { print $1 }' <<<"$listing" | tr '\n' ' ')
[ "$serials" = "12345 12346 " ] || { echo "zq40ctl list with two units: $listing"; exit 1; }

# The library's log starts after the guard is taken.
ZQ40_LOG="Z:${work//\//\\}\\first.log" "$loader" ./zq40panel.exe &
first=$!
for _ in $(seq 60); do [ -f "$work/first.log" ] && break; sleep 1; done
[ -f "$work/first.log" ] || { echo "the first panel did not start"; exit 1; }
if ! timeout 30 "$loader" ./zq40panel.exe; then
    echo "the second panel did not leave at once with 0"; exit 1
fi
kill -0 "$first" || { echo "the first panel ended"; exit 1; }
echo "$(head -n1 <<<"$version"); listed none, then units $serials; second panel left with 0"
