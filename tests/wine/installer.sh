#!/usr/bin/env bash
# zq40-setup-VERSION.exe under Wine: a silent install puts down the programs
# and what they load and nothing else, with a Start-menu entry and the .zq40
# association; the programs start from there; a silent uninstall removes all
# of it and leaves the user's configurations and update backups alone.
#
#   installer.sh WINE64_LOADER PREFIX INSTALLER
set -euo pipefail
loader=$1 installer=$3
export WINEPREFIX=$2 WINEDEBUG=-all PATH="$(dirname "$loader"):$PATH"
fail() { echo "$*"; exit 1; }
work=$(mktemp -d)
panel=
cleanup() {
    local status=$?
    [ -n "$panel" ] && kill "$panel" 2>/dev/null
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
wineserver -k 2>/dev/null || true

installed="$WINEPREFIX/drive_c/Program Files/Orlo ZQ40"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Orlo ZQ40.lnk"
user_data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/zq40panel"
mkdir -p "$user_data"
echo '<Parameters/>' >"$user_data/12345.zq40"

"$loader" "$installer" /S
wineserver -w
expected="orlousb.dll
platforms/qwindows.dll
libgcc_s_seh-1.dll
libstdc++-6.dll
libwinpthread-1.dll
Qt6Core.dll
Qt6Gui.dll
Qt6Network.dll
Qt6Widgets.dll
Qt6Xml.dll
styles/qwindowsvistastyle.dll
uninstall.exe
zq40ctl.exe
zq40panel.exe"
[ -d "$installed" ] || fail "nothing installed in $installed"
found=$(cd "$installed" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$found" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "installed files differ: $found"
[ -f "$shortcut" ] || fail "no Start-menu entry"
association=$("$loader" reg query 'HKLM\Software\Classes\.zq40' /ve | tr -d '\r')
grep -q 'OrloAudio.ZQ40Config' <<<"$association" || fail ".zq40 is not associated: $association"
command=$("$loader" reg query 'HKLM\Software\Classes\OrloAudio.ZQ40Config\shell\open\command' /ve | tr -d '\r')
grep -qF '"C:\Program Files\Orlo ZQ40\zq40panel.exe" "%1"' <<<"$command" || fail "open command: $command"

# The programs run from where they were put, with what lies beside them.
version=$("$loader" "C:\\Program Files\\Orlo ZQ40\\zq40ctl.exe" --version | tr -d '\r')
grep -q '^zq40ctl [0-9]' <<<"$version" || fail "installed zq40ctl --version: $version"
# The library's log starts once the window's single-instance guard is taken.
ZQ40_LOG="Z:${work//\//\\}\\panel.log" "$loader" "C:\\Program Files\\Orlo ZQ40\\zq40panel.exe" &
panel=$!
for _ in $(seq 60); do [ -f "$work/panel.log" ] && break; sleep 1; done
[ -f "$work/panel.log" ] || fail "the installed panel did not start"
kill "$panel"
wait "$panel" 2>/dev/null || true
panel=
wineserver -k 2>/dev/null || true
wineserver -w

"$loader" "C:\\Program Files\\Orlo ZQ40\\uninstall.exe" /S
wineserver -w
[ ! -e "$installed" ] || fail "left after uninstalling: $(find "$installed")"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is left"
if "$loader" reg query 'HKLM\Software\Classes\.zq40' >/dev/null 2>&1; then
    fail "the .zq40 association is left"
fi
[ -f "$user_data/12345.zq40" ] || fail "the uninstaller removed the user's backup"
rm -rf "$user_data"
echo "installed $(wc -l <<<"$found") files, $version, the panel started; uninstalled, the user's files kept"
