#!/usr/bin/env bash
# Makes the Wine prefix of the Wine tests, once (scripts/wine-test.sh runs it): winebus's udev bus on (Wine
# 8 starts it only with "Enable SDL" off), wineusb.sys off (it spins on the
# emulated USB nodes), and the null display driver, so that the library's
# hidden window exists without a display; or, for the panel's window on an
# X display, the X11 driver.
#
#   wine-prefix.sh WINE64_LOADER PREFIX [null|x11]
set -euo pipefail
loader=$1
prefix=$2
graphics=${3:-null}
[ -f "$prefix/.zq40-prefix" ] && exit 0
export WINEPREFIX=$prefix WINEDEBUG=-all PATH="$(dirname "$loader"):$PATH"
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
"$loader" wineboot -i
"$loader" reg add 'HKLM\System\CurrentControlSet\Services\winebus' /v 'Enable SDL' /t REG_DWORD /d 0 /f
"$loader" reg add 'HKCU\Software\Wine\DllOverrides' /v wineusb.sys /t REG_SZ /d '' /f
"$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d "$graphics" /f
wineserver -w
touch "$prefix/.zq40-prefix"
