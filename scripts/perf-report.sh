#!/usr/bin/env bash
# Builds in release mode and prints every performance figure of the project
# in one table, each next to what it is measured against: the transaction
# rate against hidapi, the main-unit update against the USB full-speed link
# floor, the firmware button's flow and its longest pause of the window,
# start-up time and memory, plug-in to populated controls, edit
# latency, CPU used while idle with a unit connected, and zq40d's figures.
# Usage: scripts/perf-report.sh   (BUILD_DIR picks the tree, default build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build-release}"
scripts/setup.sh >/dev/null
BUILD_DIR="$dir" scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DZQ40_BUILD_TESTS=OFF >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen
run() {
    local name=$1; shift
    echo "running $name ..." >&2
    "$@" >"$out/$name" 2>"$out/$name.err" || { cat "$out/$name.err" >&2; echo "$name failed" >&2; exit 1; }
}
# One exchange run swings by a tenth with what else the two cores do: five
# runs, and the one with the median ratio is reported with the range.
for i in 1 2 3 4 5; do run "transactions$i" umockdev-wrapper "$dir/bench/transaction_rate" 20000; done
run update umockdev-wrapper "$dir/bench/firmware_update_time"
run button umockdev-wrapper "$dir/bench/firmware_flow_time"
run startup "$dir/bench/startup_time" 10
run panel umockdev-wrapper "$dir/bench/panel_latency" 20
run idle umockdev-wrapper "$dir/bench/idle_cpu" 10
run service umockdev-wrapper "$dir/bench/zq40d_figures"
run fleet "$dir/bench/mqtt_fleet_standin" 200

field() { grep -m1 "$2" "$out/$1" | sed -E "s/$3/\\1/" | tr -s ' '; }
ratios=$(for i in 1 2 3 4 5; do echo "$(field "transactions$i" 'ratio orlousb' '.*hidapi +([0-9.]+).*') $i"; done | sort -n)
median_run=$(echo "$ratios" | sed -n 3p | cut -d' ' -f2)
cp "$out/transactions$median_run" "$out/transactions"
ratio_range="runs $(echo "$ratios" | head -1 | cut -d' ' -f1) to $(echo "$ratios" | tail -1 | cut -d' ' -f1)"
hidapi=$(field transactions 'hidapi (hidraw)' '.* ([0-9]+) exchanges.*')
orlousb=$(field transactions 'orlousb  ' '.* ([0-9]+) exchanges.*')
ratio=$(field transactions 'ratio orlousb' '.*hidapi +([0-9.]+).*')
update=$(field update 'paced at 1 report' '.*whole update ([0-9.]+) s.*')
floor=$(field update 'link floor' '.*packets: ([0-9.]+) s.*')
update_ratio=$(field update 'ratio update/floor' '.*floor: ([0-9.]+) .*')
button=$(field button 'press to button usable' '.*again: +([0-9.]+ s).*')
button_ratio=$(field button 'press to button usable' '.*floor ([0-9.]+)\).*')
gui_gap=$(field button 'longest time without' '.*events?: +([0-9.]+ ms).*')
startup=$(field startup 'first paint of the window' '.*median ([0-9.]+) ms.*')
rss=$(field startup 'resident memory' '.*median ([0-9.]+) MiB.*')
plugin=$(field panel 'plug-in to last block' '.*(median +[0-9.]+ ms +worst +[0-9.]+ ms).*')
edit=$(field panel 'fader edit' '.*(median +[0-9.]+ ms +worst +[0-9.]+ ms).*')
idle=$(field idle 'idle with a unit' '.*CPU ([0-9.]+ ms).*')
patch=$(field service 'PATCH to its block' '.*(median +[0-9.]+ ms, worst +[0-9.]+ ms).*')
sockets=$(field service 'report to 100 event' '.*(p99 +[0-9.]+ ms).*')
rate=$(field service 'Requests/sec' '.*: +([0-9.]+).*')
service_idle=$(field service 'idle, ' '.*(resident [0-9]+ KiB, CPU [0-9.]+ %).*')
mqtt_command=$(field service 'MQTT command to its block' '.*(median +[0-9.]+ ms, p99 +[0-9.]+ ms).*')
mqtt_report=$(field service 'MQTT state' '.*(median +[0-9.]+ ms, p99 +[0-9.]+ ms).*')
fleet_retained=$(field fleet 'retained topics after' '.*after ([0-9.]+ s).*')
fleet_changes=$(field fleet 'state changes a second' '.*: (.*)$')

echo
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) cores," \
     "$(. /etc/os-release && echo "$PRETTY_NAME"), Linux $(uname -r), $(date -u +%Y-%m-%d)"
echo
printf '| %-42s | %-34s | %-64s |\n' "Figure" "Measured" "Anchor"
printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..44})" "$(printf -- '-%.0s' {1..36})" "$(printf -- '-%.0s' {1..66})"
row() { printf '| %-42s | %-34s | %-64s |\n' "$1" "$2" "$3"; }
row "Status exchanges, orlousb (median of 5)" "$orlousb /s" "hidapi $hidapi /s; ratio $ratio, $ratio_range (goal >= 0.9)"
row "Main-unit update, paced at 1 report/ms" "$update s" "link floor $floor s; ratio $update_ratio (<= 1.05)"
row "Firmware button flow, main unit, paced" "$button" "link floor $floor s; ratio $button_ratio"
row "Longest GUI pause during that flow" "$gui_gap" "library's own limits (4 s, 10 s)"
row "Start-up to first paint (offscreen)" "$startup ms" "median of 10 starts"
row "Resident memory at first paint" "$rss MiB" "median of 10 starts"
row "Plug-in to last block shown" "$plugin" "20 plug-ins, unit answers at once"
row "Fader edit to report on the wire" "$edit" "100-step sweep; USB frame 1 ms"
row "CPU in 10 s idle, unit connected" "$idle" "goal: none (nothing polls)"
row "zq40d: PATCH to its block on the wire" "$patch" "50 edits, unit answers at once"
row "zq40d: report to 100 event sockets" "$sockets" "goal 50 ms"
row "zq40d: GET settings under wrk, 10 s" "$rate /s" "2 threads, 16 connections"
row "zq40d: idle, 200 event sockets" "$service_idle" "over 10 s"
row "zq40d: MQTT command to its block" "$mqtt_command" "100 commands, within 20 a second"
row "zq40d: unit's report to MQTT state" "$mqtt_report" "goal 100 ms; 20 ms of it gathering"
row "200 sites: retained topics all seen" "$fleet_retained" "stand-ins with the service's payloads"
row "200 sites: 200 changes/s for 10 s" "$fleet_changes" "one Home Assistant-style subscriber"
echo
echo "Each benchmark's own output:"
for f in transactions update button startup panel idle service fleet; do sed 's/^/    /' "$out/$f"; done
