#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and starts the ZQ40 control
# panel. With no ZQ40 on the USB bus, virtual units stand in (see
# scripts/virtual-units.txt) and this terminal becomes a console that plugs
# and unplugs units, remotes and paging stations while the window runs.
# Arguments go to zq40panel (e.g. a .zq40 file). BUILD_DIR picks the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build}"

# Say so at once rather than after the build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<EOT
No display here (neither DISPLAY nor WAYLAND_DISPLAY is set), and zq40panel
is a window. Run this from a desktop session, or:
    xvfb-run -a scripts/run.sh          # the panel on a virtual display
    scripts/screenshots.sh              # pictures of it in $dir/screenshots/
EOT
    exit 1
fi

scripts/setup.sh
BUILD_DIR="$dir" scripts/build.sh
panel="$dir/app/zq40panel"

# A unit counts when the kernel gave it a hidraw node: its HID device is
# named 0003:3A5B:<product>.<instance>.
real_unit() {
    local node
    for node in /sys/class/hidraw/hidraw*; do
        [[ "$(readlink -f "$node/device" 2>/dev/null)" == *:3A5B:* ]] && return 0
    done
    return 1
}

if real_unit; then
    echo "A ZQ40 is on the USB bus: starting zq40panel."
    exec "$panel" "$@"
fi

cat <<EOT
No ZQ40 on the USB bus: starting zq40panel with virtual units
  12345  current firmware, paging station and three remotes
  12346  older firmware (the panel offers an update)
Type commands here to plug and unplug them, e.g. "unplug 12345",
"remote 12346 260 200", "remove 12345 257", "list", "help".
Closing the window ends everything. zq40ctl, the same panel for terminals
and scripts, takes virtual units of its own the same way:
    umockdev-wrapper $dir/emulator/zq40-emulate --units 0 --script scripts/virtual-units.txt \
        -- $dir/app/ctl/zq40ctl list
EOT
exec umockdev-wrapper "$dir/emulator/zq40-emulate" --units 0 --script scripts/virtual-units.txt --console \
    -- "$panel" "$@"
