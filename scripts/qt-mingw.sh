#!/usr/bin/env bash
# Cross-builds the part of Qt the Windows programs need (Core, Gui, Widgets,
# Xml, Network for zq40ctl's scenes through the service, the Windows platform
# plugin and style, the offscreen platform plugin) with Debian's mingw-w64,
# from Debian's own qt6-base source package of the version the Linux build uses, so both builds share one Qt. The host tools
# (moc, rcc, uic) are Debian's. Prints the prefix to pass as -DZQ40_QT_MINGW.
#
#   scripts/qt-mingw.sh            # builds once, then reuses the prefix
#   JOBS=2 NICE=19 scripts/qt-mingw.sh
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cache="${ZQ40_QT_MINGW_CACHE:-/var/cache/zq40/qt-mingw}"
jobs="${JOBS:-2}"
nice="${NICE:-19}"

# The host Qt fixes the version: moc and rcc must match the libraries.
version="$(dpkg-query -W -f '${Version}' qt6-base-dev)"
upstream="${version%%+*}"

# 6.4's Windows platform plugin includes the tablet header Debian strips
# from its source, and with OpenGL off it still needs dynamic GL off.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_opengl=OFF
    -DFEATURE_dynamicgl=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_testlib=OFF
    -DFEATURE_imageformatplugin=OFF
)
# 6.4.2's Gui has the DirectWrite font database only with Direct2D, yet the
# Windows platform plugin uses it without asking for Direct2D: it is made to
# ask (it then uses the GDI font database).
plugin_source=src/plugins/platforms/windows/qwindowsintegration.cpp
plugin_condition='#if QT_CONFIG(directwrite3)'
plugin_fixed='#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)'
hash="$( (cat "$repo/cmake/mingw-w64-x86_64.cmake"; printf '%s\n' "$version" "${options[@]}" "$plugin_fixed") |
    sha256sum | cut -c1-10)"
prefix="$cache/$upstream-$hash"
stamp="$prefix/.installed"
if [[ -f "$stamp" ]]; then
    echo "$prefix"
    exit 0
fi

work="$cache/work-$upstream-$hash"
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
started=$SECONDS

# The machine's own sources, as source lists, in an apt configuration of
# our own: the system's package lists stay as they are.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$f" ]] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f"
done >"$work/apt/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$f" ]] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$work/apt/sources.list.d/$(basename "$f")"
done
apt=(-o "Dir::Etc::SourceList=$work/apt/sources.list"
    -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
    -o "Dir::State::Lists=$work/apt/lists"
    -o "Dir::Cache=$work/apt/cache")
apt-get "${apt[@]}" update
# apt checks the files against the signed index, dpkg-source the .dsc.
(cd "$work" && apt-get "${apt[@]}" source "qt6-base=$version")
src="$(find "$work" -maxdepth 1 -type d -name "qt6-base-$upstream*" | head -n1)"
grep -qxF "$plugin_condition" "$src/$plugin_source"
sed -i "s/^$plugin_condition\$/$plugin_fixed/" "$src/$plugin_source"

configured=$SECONDS
nice -n "$nice" cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}"
built=$SECONDS
nice -n "$nice" cmake --build "$work/build" -j"$jobs"
nice -n "$nice" cmake --install "$work/build"
touch "$stamp"
rm -rf "$work"
done=$SECONDS
echo "qt-mingw: download $((configured - started))s, configure $((built - configured))s," \
    "build and install $((done - built))s" >&2
echo "$prefix"
