#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and watches ZQ40 units come and go.
# With no unit plugged in, two virtual units are mounted on a test bed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if grep -qsi '^3a5b$' /sys/bus/usb/devices/*/idVendor; then
    exec build/usblib/ousb-monitor "$@"
fi
echo "No ZQ40 on the USB bus: starting two virtual units."
exec umockdev-wrapper build/emulator/zq40-emulate --units 2 --children -- build/usblib/ousb-monitor "$@"
