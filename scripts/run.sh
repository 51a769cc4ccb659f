#!/usr/bin/env bash
# Installs what is missing, builds Quillmark and starts it under Wine: on the current display,
# or, when there is none, on Xvfb with a screenshot written to a path it prints.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
./scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"
echo "Built $root/build/win32/Quillmark.exe"

# shellcheck source=wine-env.sh
. scripts/wine-env.sh
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
trap qm_wine_cleanup EXIT
qm_wine_setup
exe=$root/build/win32/Quillmark.exe
if [ "$QM_WIN_PRESET" != win32 ]; then
    echo "This host runs no 32-bit code: starting the x86_64 build of the same sources."
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$(nproc)" --target Quillmark
    exe=$root/build/win64/Quillmark.exe
fi
export LANG=${QM_LANG:-ja_JP.UTF-8} LC_ALL=${QM_LANG:-ja_JP.UTF-8}
if [ "$headless" = 0 ]; then
    echo "Starting Quillmark on $DISPLAY"
    "$QM_WINE" "$exe"
    exit 0
fi
shot=${QM_SCREENSHOT:-$root/build/quillmark-screenshot.png}
"$QM_WINE" "$exe" &
pid=$!
sleep "${QM_SHOT_DELAY:-6}"
import -window root "$shot"
echo "No display: Quillmark ran on Xvfb $DISPLAY; screenshot written to $shot"
kill "$pid" 2>/dev/null || true
