#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the portable layers natively
# under ASan/UBSan, the Windows program and its tests under Wine on Xvfb (in-process tests and
# end-to-end journeys), and a short bounded run of every fuzz target.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
./scripts/install-deps.sh

jobs=$(nproc)
step() { printf '\n== %s ==\n' "$*"; }

# Runs a test preset. Everything the tests use was installed above, so a test that skips itself
# for want of a tool (ffmpeg, xdotool, ...) marks a missing install step: that fails the run.
run_tests() {
    local log
    log=$(mktemp /tmp/quillmark-ctest.XXXXXX)
    local rc=0
    ctest --preset "$1" 2>&1 | tee "$log" || rc=$?
    if [ "$rc" -eq 0 ] && grep -qE '\*\*\*Skipped|\(Skipped\)' "$log"; then
        echo "test.sh: tests skipped on a machine where install-deps.sh ran:" >&2
        grep -E '\*\*\*Skipped' "$log" >&2
        rc=1
    fi
    rm -f "$log"
    return "$rc"
}

step "install-deps: its choice between the 32-bit and the x86_64 Wine"
bash tests/scripts/install_deps_test.sh

step "native: portable layers and their tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
run_tests native

# shellcheck source=wine-env.sh
. scripts/wine-env.sh

step "win32: Quillmark.exe (i686)"
cmake --preset win32 >/dev/null
if qm_host_runs_32bit; then
    cmake --build --preset win32 -j "$jobs"
else
    # The Windows tests run the x86_64 build below: the i686 build needs only the program.
    cmake --build --preset win32 -j "$jobs" --target Quillmark
fi
exe=build/win32/Quillmark.exe
file "$exe"
file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386' || { echo "not a PE32 GUI i386 executable" >&2; exit 1; }
if i686-w64-mingw32-objdump -p "$exe" | grep 'DLL Name' | grep -viE \
    'kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|version|msvcrt|comdlg32|shlwapi' ; then
    echo "Quillmark.exe imports a DLL that Windows does not ship" >&2; exit 1
fi
cmake --preset win64 >/dev/null && cmake --build --preset win64 --target Quillmark -j "$jobs"
./scripts/check-imports.sh "$exe" build/win64/Quillmark.exe  # both start on Windows XP

step "win32: the ZIP for Windows users"
cpack --preset win32 >/dev/null
version=$(sed -n 's/^#define QM_FILEVERSION_TEXT "\(.*\)"/\1/p' res/Version.h)
name=Quillmark-$version-win32
zip=build/win32/package/$name.zip
(cd build/win32/package && sha256sum -c "$name.zip.sha256") ||
    { echo "$zip: missing, or its SHA-256 file does not match it" >&2; exit 1; }
unzip -l "$zip"
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listed" = "$name/LICENSE $name/Quillmark.exe $name/README.md " ] ||
    { echo "$zip holds: $listed" >&2; exit 1; }
unzip -p "$zip" "$name/Quillmark.exe" | cmp - "$exe" ||
    { echo "$zip holds another Quillmark.exe than $exe" >&2; exit 1; }

trap qm_wine_cleanup EXIT
export QM_HEADLESS=1
qm_wine_setup
if [ "$QM_WIN_PRESET" != win32 ]; then
    step "win64: 32-bit Wine is not in use on this host, so the Windows tests run the x86_64 build"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$jobs"
fi
step "$QM_WIN_PRESET: Windows tests under Wine ($DISPLAY)"
run_tests "$QM_WIN_PRESET"

if ls fuzz/fuzz_*.cpp >/dev/null 2>&1; then
    step "fuzz: every target for a short bounded run"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$jobs"
    ./scripts/fuzz.sh "${QM_FUZZ_SECONDS:-8}"
fi
step "all tests passed"
