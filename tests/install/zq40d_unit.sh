#!/usr/bin/env bash
# zq40d's unit installed as a package installs it: it starts the installed program with the installed
# configuration, which the program reads and which keeps to loopback; systemd takes every option and
# rates the exposure 2.0 or lower. Usage: zq40d_unit.sh BUILD_DIR DESTDIR PREFIX UNIT_DIR
set -euo pipefail
build=$1 dest=$2 unit="$2$3/$4/zq40d.service"
: "${CMAKE:=cmake}" "${SYSTEMD_ANALYZE:=systemd-analyze}"
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$dest"
DESTDIR="$dest" "$CMAKE" --install "$build" >/dev/null
read -r program option config < <(sed -n 's/^ExecStart=//p' "$unit")
[ -x "$dest$program" ] && [ "$option" = --config ] && grep -qx 'address=127.0.0.1' "$dest$config" \
    || fail "ExecStart=$program $option $config: not the program and loopback configuration installed"
said=$(env -u LD_LIBRARY_PATH "$dest$program" --config "$dest$config" remove-token nobody 2>&1 || true)
[ "$said" = "zq40d: no token named nobody" ] || fail "the installed configuration: $said"

[ -n "$SYSTEMD_ANALYZE" ] && [ "${SYSTEMD_ANALYZE%NOTFOUND}" = "$SYSTEMD_ANALYZE" ] || exit 77
# 20 on systemd's scale of 0 to 100. An option it does not know is ignored.
out=$("$SYSTEMD_ANALYZE" security --offline=yes --threshold=20 "$unit" 2>&1) || fail "exposure: $out"
! grep -E 'Unknown (key|section)|ignoring' <<<"$out" || fail "systemd does not take the unit as written"
grep 'Overall exposure level' <<<"$out"
