#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a user and a
# client developer get from it.
# Usage: install_tree.sh BUILD_DIR PREFIX LIBDIR APP_ID UDEV_RULE CONSUMER_DIR
set -euo pipefail
build=$1 prefix=$2 libdir=$3 app_id=$4 udev_rule=$5 consumer=$6
: "${CMAKE:=cmake}" "${READELF:=readelf}" "${CC:=cc}"

fail() { echo "FAIL: $*" >&2; exit 1; }
have() { [ -e "$prefix/$1" ] || fail "not installed: $1"; }

rm -rf "$prefix"
"$CMAKE" --install "$build" --prefix "$prefix" >/dev/null

lib="$libdir/liborlousb.so"
for f in bin/zq40panel "$lib" "$lib.1" include/orlousb.h "$libdir/pkgconfig/orlousb.pc" \
         "$libdir/cmake/orlousb/orlousbConfig.cmake" "$libdir/cmake/orlousb/orlousbConfigVersion.cmake" \
         "$libdir/cmake/orlousb/orlousbTargets.cmake" "$udev_rule" \
         "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
         "share/icons/hicolor/64x64/apps/$app_id.png" share/zq40panel/zq40apptransparent.png \
         bin/zq40ctl share/man/man1/zq40ctl.1 share/bash-completion/completions/zq40ctl \
         bin/zq40d share/man/man8/zq40d.8 lib/sysusers.d/zq40d.conf lib/modules-load.d/zq40d.conf \
         "share/mime/packages/$app_id.xml"; do
    have "$f"
done

# The library: real file, SONAME link, development link; 29 exports.
[ -L "$prefix/$lib" ] && [ -L "$prefix/$lib.1" ] || fail "liborlousb.so and .so.1 should be links"
[ "$(readlink "$prefix/$lib")" = liborlousb.so.1 ] || fail "liborlousb.so -> $(readlink "$prefix/$lib")"
real=$(readlink -f "$prefix/$lib.1")
[ -f "$real" ] && [ ! -L "$real" ] || fail "no real file behind liborlousb.so.1"
"$READELF" -d "$real" | grep -q 'SONAME.*\[liborlousb\.so\.1\]' || fail "SONAME is not liborlousb.so.1"
exports=$("$READELF" -W --dyn-syms "$real" | awk '$5 == "GLOBAL" && $7 != "UND" && $8 ~ /^ousb_/' | wc -l)
[ "$exports" -eq 29 ] || fail "$exports ousb_ functions exported, not 29"

# A library built with a sanitizer needs its runtime first in a client too.
sanitize=
case "$("$READELF" -d "$real")" in
    *libasan*) sanitize="-fsanitize=address,undefined" ;;
    *libtsan*) sanitize="-fsanitize=thread" ;;
esac

# pkg-config, relocated with the prefix: a C client compiles and links.
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
flags=$(pkg-config --cflags --libs orlousb) || fail "pkg-config does not know orlousb"
work=$(mktemp -d)
pid=
# The program started below goes too, however this script ends.
trap '{ [ -z "$pid" ] || kill "$pid" 2>/dev/null; } || true; rm -rf "$work"' EXIT
# shellcheck disable=SC2086
"$CC" -std=c99 $sanitize -o "$work/pc-client" "$consumer/consumer.c" $flags || fail "pkg-config client does not build"
"$READELF" -d "$work/pc-client" | grep -q 'NEEDED.*\[liborlousb\.so\.1\]' || fail "pkg-config client does not need liborlousb.so.1"
LD_LIBRARY_PATH="$prefix/$libdir" "$work/pc-client" >/dev/null || fail "pkg-config client does not run"

# The CMake package: find_package(orlousb) and orlousb::orlousb.
"$CMAKE" -S "$consumer" -B "$work/cmake-client" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" >/dev/null \
    || fail "find_package(orlousb) fails"
"$CMAKE" --build "$work/cmake-client" >/dev/null || fail "orlousb::orlousb client does not build"
"$work/cmake-client/consumer" >/dev/null || fail "orlousb::orlousb client does not run"

# The program finds the installed library through its RUNPATH alone.
runpath=$("$READELF" -d "$prefix/bin/zq40panel" | grep -E 'RUNPATH|RPATH' || true)
echo "$runpath" | grep -q "\[\$ORIGIN/../$libdir\]" || fail "zq40panel RUNPATH: $runpath"
echo "$runpath" | grep -q "$build" && fail "zq40panel still looks in the build tree: $runpath"
resolved=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/zq40panel" | awk '/liborlousb/ {print $3}')
[ "$(readlink -f "$resolved")" = "$real" ] || fail "zq40panel loads liborlousb from '$resolved'"

[ "$(env -u LD_LIBRARY_PATH "$prefix/bin/zq40panel" --version | head -n 1)" = "zq40panel 1.1.1" ] \
    || fail "installed zq40panel --version"
[ "$(env -u LD_LIBRARY_PATH "$prefix/bin/zq40ctl" --version | head -n 1)" = "zq40ctl 1.1.1" ] || fail "installed zq40ctl --version"
grep -q '^MimeType=application/x-zq40;' "$prefix/share/applications/$app_id.desktop" \
    || fail "the desktop entry does not open .zq40 files"
grep -q 'glob pattern="\*.zq40"' "$prefix/share/mime/packages/$app_id.xml" || fail "no MIME type for .zq40 files"

# Starts offline, offscreen, and paints its window.
mkdir -m 700 "$work/run"
env -u LD_LIBRARY_PATH -u LD_PRELOAD -u UMOCKDEV_DIR QT_QPA_PLATFORM=offscreen ZQ40_REPORT_SHOWN=1 \
    XDG_RUNTIME_DIR="$work/run" "$prefix/bin/zq40panel" 2>"$work/stderr" &
pid=$!
shown=no
for _ in $(seq 150); do
    if grep -q 'zq40panel: window shown' "$work/stderr"; then shown=yes; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
maps=$(cat "/proc/$pid/maps" 2>/dev/null || true)
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
[ "$shown" = yes ] || { cat "$work/stderr" >&2; fail "installed zq40panel did not show its window"; }
[ -n "$maps" ] || { cat "$work/stderr" >&2; fail "installed zq40panel had gone before its memory map was read"; }
# A pattern match, not a pipe into grep -q: a sanitized build's map outgrows a
# pipe's buffer, and grep leaving at the first match fails the pipe (pipefail).
[[ $maps == *"$real"* ]] || fail "the running program did not map the installed library"

# Desktop integration under one id.
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
grep -qx "Icon=$app_id" "$desktop" || fail "desktop file icon"
grep -qE '^Exec=zq40panel( |$)' "$desktop" || fail "desktop file Exec"
grep -qF "<id>$app_id</id>" "$metainfo" || fail "metainfo id"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
grep -qF '<modalias>usb:v3A5Bp*</modalias>' "$metainfo" || fail "metainfo modalias"
# The validators where they are installed (CMake passes *-NOTFOUND otherwise).
found() { [ -n "$1" ] && [ "${1%NOTFOUND}" = "$1" ]; }
if found "${DESKTOP_FILE_VALIDATE:-}"; then "$DESKTOP_FILE_VALIDATE" "$desktop" || fail "desktop-file-validate"; fi
if found "${APPSTREAMCLI:-}"; then "$APPSTREAMCLI" validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate"; fi

echo "install tree complete in $prefix"
