#!/usr/bin/env bash
# Pictures of zq40panel with virtual units, taken on a virtual display:
# offline, online, linked zones, a firmware mismatch and the priority dialog.
# Usage: scripts/screenshots.sh [output folder, default build/screenshots]
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build}"
out="${1:-$dir/screenshots}"
scripts/build.sh >/dev/null
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" \
    umockdev-wrapper "$dir/tests/app/window_screenshots" "$out"
