#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, when it is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libudev-dev libglib2.0-dev umockdev libumockdev-dev
    libgtest-dev libgmock-dev libbenchmark-dev libhidapi-dev
    qt6-base-dev qt6-base-dev-tools xvfb xauth imagemagick
    qt6-httpserver-dev qt6-websockets-dev libsodium-dev openssl wrk
    wine64 g++-mingw-w64-x86-64-posix nsis xdotool
    chromium python3
    mosquitto mosquitto-clients libmosquitto-dev
    systemd # systemd-analyze, for zq40d's unit; it needs no running systemd
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
