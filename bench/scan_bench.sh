#!/usr/bin/env bash
# Scan benchmark: milliseconds per file of ScanPath over a 10,000-file tree under Wine, with the
# fake shell object and with the built-in title shell, and the ratio against a bare
# FindFirstFileA/FindNextFileA walk of the same tree timed in the same run.
#
#   bench/scan_bench.sh [files] [runs]
#
# Builds the Windows layer with the win32 preset (win64 where the host runs no 32-bit code),
# compiles bench/scan_bench_win.cpp against it and runs it under Wine once per shell kind. Not a test:
# nothing here is registered with CTest.
#
# Environment:
#   SCAN_BENCH_BUILD_DIR   build folder (default /tmp/qm-scan-bench-build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

files=${1:-10000}
runs=${2:-5}
build=${SCAN_BENCH_BUILD_DIR:-/tmp/qm-scan-bench-build}

# shellcheck source=../scripts/wine-env.sh
. scripts/wine-env.sh
preset=win64
if qm_host_runs_32bit; then preset=win32; fi
echo "== building the Windows layer ($preset) in $build" >&2
cmake --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" --target qm_win >/dev/null

cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -1)
exe=$build/scan_bench_win.exe
"$cxx" -std=c++17 -Os -DNDEBUG -Wall -Wextra -Werror \
    -DNOMINMAX -DWINVER=0x0601 -D_WIN32_WINNT=0x0601 -D_WIN32_IE=0x0600 \
    -Isrc -Itests bench/scan_bench_win.cpp tests/win/FakeShell.cpp -o "$exe" \
    "$build/libqm_win.a" "$build/libqm_media.a" "$build/libqm_core.a" \
    -static -static-libgcc -static-libstdc++ \
    -lcomctl32 -lshell32 -lole32 -loleaut32 -luuid -lversion -lgdi32 -luser32 -ladvapi32

for kind in fake builtin; do
    echo "== scan of $files files, $kind shell" >&2
    scripts/wine-run.sh "$exe" "$files" "$kind" "$runs"
done
