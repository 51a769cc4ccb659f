#!/usr/bin/env bash
# Installs what is missing, builds Quillmark.exe (the program only, not the tests) and starts it
# under Wine: on the current display, or, when there is none, on Xvfb with a screenshot written
# to a path it prints. The Wine prefix is kept in build/run/ between runs, so only the first run
# spends time making it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
./scripts/install-deps.sh

# shellcheck source=wine-env.sh
. scripts/wine-env.sh
preset=win32
if ! qm_host_runs_32bit; then
    echo "run.sh: 32-bit Wine is not in use on this host: building and starting the" \
        "x86_64 build of the same sources under 64-bit Wine"
    preset=win64
fi
# Ninja re-runs CMake by itself when a CMake file changed; configure only a new build folder.
if [ ! -f "build/$preset/build.ninja" ]; then
    echo "run.sh: configuring the $preset build (first run only)"
    cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset" -j "$(nproc)" --target Quillmark
exe=$root/build/$preset/Quillmark.exe
echo "Built $exe"

headless=0
[ -z "${DISPLAY:-}" ] && headless=1
export QM_RUN_DIR=${QM_RUN_DIR:-$root/build/run}
mkdir -p "$QM_RUN_DIR"
trap qm_wine_cleanup EXIT
qm_wine_setup
export LANG=${QM_LANG:-ja_JP.UTF-8} LC_ALL=${QM_LANG:-ja_JP.UTF-8}
if [ "$headless" = 0 ]; then
    echo "Starting Quillmark on $DISPLAY ($SECONDS s after run.sh began)"
    "$QM_WINE" "$exe"
    exit 0
fi
shot=${QM_SCREENSHOT:-$root/build/quillmark-screenshot.png}
echo "Starting Quillmark on Xvfb $DISPLAY"
"$QM_WINE" "$exe" &
pid=$!
# Wait for the main window (its caption begins with the program's name), then let it paint.
for _ in $(seq 1 120); do
    if ! kill -0 "$pid" 2>/dev/null; then
        rc=0
        wait "$pid" || rc=$?
        echo "Quillmark.exe ended before its window appeared (exit status $rc)" >&2
        exit 1
    fi
    xdotool search --onlyvisible --name '^Quillmark' >/dev/null 2>&1 && break
    sleep 0.5
done
xdotool search --onlyvisible --name '^Quillmark' >/dev/null 2>&1 ||
    { echo "Quillmark.exe showed no window within a minute" >&2; exit 1; }
echo "Quillmark's window is up, $SECONDS s after run.sh began"
sleep "${QM_SHOT_DELAY:-3}"
import -window root "$shot"
echo "No display: Quillmark ran on Xvfb $DISPLAY; screenshot written to $shot"
kill "$pid" 2>/dev/null || true
