#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: a throw-away Wine prefix, a
# Japanese locale (code page 932, as on the machines the program is made
# for), then ctest in the Windows build folder.
#   scripts/windows-test.sh [build folder]     (default: build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-windows}"

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "generating the ja_JP.UTF-8 locale"
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

prefix="$(mktemp -d "${TMPDIR:-/tmp}/quillmax-wine.XXXXXX")"
cleanup() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export QUILLMAX_EXPECT_ACP=932
# No display is needed: the programs are console programs.
unset DISPLAY
timeout 300 wine wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
cd "$build" && ctest --output-on-failure --timeout 300
