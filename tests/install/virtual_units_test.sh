#!/usr/bin/env bash
# The virtual units scripts/run.sh starts, watched through orlousb: the two
# units of its script, then the console pulling a cable, connecting a remote
# and plugging the unit back while the program runs.
# Usage: virtual_units_test.sh ZQ40_EMULATE OUSB_MONITOR UNITS_SCRIPT
set -euo pipefail
emulate=$1 monitor=$2 script=$3

work=$(mktemp -d)
pid=
cleanup() {
    exec 3>&- 2>/dev/null || true
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/console"
"$emulate" --units 0 --script "$script" --console -- "$monitor" --seconds 20 \
    <"$work/console" >"$work/out" 2>&1 &
pid=$!
exec 3>"$work/console"

fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }
# Waits until the output has at least $2 lines matching $1.
wait_for() {
    local want=${2:-1}
    for _ in $(seq 100); do
        [ "$(grep -cE "$1" "$work/out" || true)" -ge "$want" ] && return 0
        sleep 0.1
    done
    fail "never saw $want line(s) like /$1/"
}

wait_for '^connect .* ser 12345 ver 1\.1\.1\.47 '
wait_for '^connect .* ser 12346 '
grep -E '^connect .* ser 12346 ' "$work/out" | grep -q ' ver 1\.1\.1\.47 ' && fail "12346 should need an update"
online=$(awk '/^connect .* ser 12345 / {print $2}' "$work/out")
wait_for "^child\\+ +$online child 257 model 502 "
wait_for "^child\\+ +$online child 2(5[89]|6[0-4]) model 20[02] " 3

echo "unplug 12345" >&3
wait_for '^gone .* ser 12345 '
echo "remote 12346 260 200 1.3.0.26" >&3
wait_for '^child\+ .* child 260 model 200 .*ver 1\.3\.0\.26'
echo "replug 12345" >&3
wait_for '^connect .* ser 12345 ' 2
echo "bogus" >&3
wait_for "unknown command 'bogus'"
echo "virtual units and console work"
