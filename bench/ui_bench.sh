#!/usr/bin/env bash
# UI benchmark: the real Quillmark.exe, visible under Wine on Xvfb, driven as a user drives it.
# For each size N it makes a tree of N titled tiny RIFF files in 20 folders, drops the tree's
# folder on the window through X drag and drop, waits until the window answers with N rows,
# presses the rename button with a real click and waits until the list is empty; in the same run
# it times a bare FindFirstFileA/FindNextFileA walk of the same tree, and a windowless lister and
# renamer over a copy of it (the floors). Prints milliseconds per listed row and per renamed row
# (until the window answers, and of the program's processor time), and their ratios to the bare
# walk's and the floors' milliseconds per file.
#
# Before the timed drop, each run drops a folder of one file and renames it: the first drop of a
# run pays once for what the program sets up on first use (it asks whether the system shell
# answers the Title detail). Those two times are printed as first_ms and click_ms: what a drop
# and a press of the button cost whatever the number of rows (X events, the helper's polling).
#
#   bench/ui_bench.sh [N...]          (default: 500 2000 10000)
#
# Environment:
#   UI_BENCH_EXE    the program to drive (default: the win32 (or win64) preset's build, made
#                   here); lvprobe.exe must lie beside it
#   UI_BENCH_RUNS   runs per size, the medians are printed (default 1)
#   UI_BENCH_DIR    where the trees are made (default /tmp)
#   UI_BENCH_PER_FOLDER  files per folder instead of 20 folders: Wine looks a name that does
#                   not exist up by reading its whole folder (its file systems tell letter
#                   cases apart; Windows' do not), so the rename pass, which looks up the free
#                   name and renames into it, costs more a row in larger folders
# Not a test: nothing here is registered with CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(500 2000 10000)
runs=${UI_BENCH_RUNS:-1}
per_folder=${UI_BENCH_PER_FOLDER:-}
limit_s=1800

for tool in cc xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { echo "ui_bench: $tool not found" >&2; exit 1; }
done

# shellcheck source=../scripts/wine-env.sh
. scripts/wine-env.sh
export QM_HEADLESS=1
work=$(mktemp -d "${UI_BENCH_DIR:-/tmp}/qm-ui-bench.XXXXXX")
qm_pid=
cleanup() {
    if [ -n "$qm_pid" ] && kill -0 "$qm_pid" 2>/dev/null; then kill "$qm_pid" 2>/dev/null || true; fi
    rm -rf "$work"
    qm_wine_cleanup
}
trap cleanup EXIT
qm_wine_setup
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; fi

build=build/$QM_WIN_PRESET
if [ -z "${UI_BENCH_EXE:-}" ]; then
    echo "== building Quillmark.exe ($QM_WIN_PRESET)" >&2
    cmake --preset "$QM_WIN_PRESET" >/dev/null
    cmake --build --preset "$QM_WIN_PRESET" --target Quillmark lvprobe >/dev/null
fi
exe=$(realpath "${UI_BENCH_EXE:-$build/Quillmark.exe}")
probe_exe=$(dirname "$exe")/lvprobe.exe
[ -f "$probe_exe" ] || { echo "ui_bench: no lvprobe.exe beside $exe" >&2; exit 1; }

cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake | head -1)
helper=$work/ui_bench_win.exe
"$cxx" -std=c++17 -O2 -Wall -Wextra -Werror -DNOMINMAX -DWINVER=0x0601 -D_WIN32_WINNT=0x0601 \
    bench/ui_bench_win.cpp -o "$helper" -static -lcomctl32 -luser32
cc -std=c11 -D_POSIX_C_SOURCE=200809L -O2 -Wall -Wextra -Werror -o "$work/xdnd_drop" \
    tests/e2e/xdnd_drop.c -lX11

win() { "$QM_WINE" "$@"; }
winpath() { printf '%s\\' "$(win winepath -w "$1" 2>/dev/null | tr -d '\r')"; }
probe() { timeout 60 "$QM_WINE" "$probe_exe" "$@"; }

# The process of this run's Wine prefix whose command line holds the given text.
ours() {
    local p
    for p in $(pgrep -f "$1"); do
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$p"
            return
        fi
    done
}

# Processor milliseconds (user and system) a process has spent so far.
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }

# Starts the helper waiting for COUNT rows, runs the given command once it is ready, and prints
# what it measured: the milliseconds until then, and the processor milliseconds the program and
# this prefix's wineserver spent meanwhile.
timed() {
    local count=$1
    shift
    local fifo=$work/waiter.fifo fd line pid
    rm -f "$fifo"
    mkfifo "$fifo"
    win "$helper" wait-rows "$count" "$limit_s" >"$fifo" 2>/dev/null &
    pid=$!
    local cpu0 server0
    cpu0=$(cpu_ms "$program_pid") server0=$(cpu_ms "$server_pid")
    exec {fd}<"$fifo"
    read -r line <&"$fd"
    if [ "$line" != ready ]; then
        exec {fd}<&-
        echo "ui_bench: the helper said '$line'" >&2
        return 1
    fi
    "$@" >&2
    read -r line <&"$fd"
    exec {fd}<&-
    wait "$pid" || true
    [ "$line" != timeout ] || { echo "ui_bench: no answer within $limit_s s" >&2; return 1; }
    echo "$line $(($(cpu_ms "$program_pid") - cpu0)) $(($(cpu_ms "$server_pid") - server0))"
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Drops a folder on the list; prints the times until the list holds COUNT rows.
drop() { timed "$2" "$work/xdnd_drop" --timeout 60 "$lx" "$ly" "$1" 2>/dev/null; }
# Clicks at a point; prints the times until the list holds COUNT rows.
click() {
    xdotool mousemove "$1" "$2"
    sleep 0.3
    timed "$3" xdotool click 1
}

# One run for N files; sets walk_ms, the floors list_floor and ren_floor (a windowless lister and
# renamer over a copy of the tree), first_ms, click_ms, drop_ms and rename_ms, and the time of
# the processor in the program and in the wineserver for each (drop_cpu, drop_server, rename_cpu,
# rename_server).
run_once() {
    local n=$1 tree=$work/tree warm=$work/warm folders=20
    [ -z "$per_folder" ] || folders=$(((n + per_folder - 1) / per_folder))
    rm -rf "$tree" "$warm"
    mkdir -p "$tree" "$warm"
    win "$helper" make "$(winpath "$tree")" "$n" "$folders"
    win "$helper" make "$(winpath "$warm")" 1 1
    local files
    read -r _ walk_ms _ files < <(win "$helper" walk "$(winpath "$tree")" 5)
    [ "$files" = "$n" ] || { echo "ui_bench: the walk found $files files, not $n" >&2; return 1; }
    rm -rf "$work/floor"
    win "$helper" make "$(winpath "$work/floor")" "$n" "$folders"
    read -r _ list_floor _ ren_floor _ files < <(win "$helper" floors "$(winpath "$work/floor")")
    [ "$files" = "$n" ] || { echo "ui_bench: the floors met $files files, not $n" >&2; return 1; }
    rm -rf "$work/floor"

    win "$exe" >/dev/null 2>&1 &
    qm_pid=$!
    probe find 60 >/dev/null || { echo "ui_bench: the main window did not appear" >&2; return 1; }
    server_pid=$(ours wineserver) program_pid=$(ours "$(basename "$exe")")
    [ -n "$server_pid" ] && [ -n "$program_pid" ] || { echo "ui_bench: no pids" >&2; return 1; }
    sleep 1
    local bx by
    read -r lx ly < <(probe point list)
    read -r bx by < <(probe point button "チェックしたファイルを名称変更")
    xdotool mousemove "$lx" "$ly"
    read -r first_ms _ <<<"$(drop "$warm" 1)"
    read -r click_ms _ <<<"$(click "$bx" "$by" 0)"
    xdotool mousemove "$lx" "$ly"
    read -r drop_ms drop_cpu drop_server <<<"$(drop "$tree" "$n")"
    read -r rename_ms rename_cpu rename_server <<<"$(click "$bx" "$by" 0)"

    local renamed
    renamed=$(find "$tree" -type f -name 'Title *.avi' | wc -l)
    [ "$renamed" = "$n" ] || { echo "ui_bench: $renamed of $n files renamed" >&2; return 1; }
    probe close || true
    wait "$qm_pid" 2>/dev/null || true
    qm_pid=
    echo "-- $n files: drop $drop_ms ms (cpu $drop_cpu, server $drop_server)," \
        "rename $rename_ms ms (cpu $rename_cpu, server $rename_server)" >&2
}

echo "== $exe, $runs run(s) per size, ${per_folder:-N/20} files a folder," \
    "$(uptime | sed 's/.*load/load/')" >&2
printf '%6s %5s %5s %7s %7s %7s | %9s %8s %8s | %8s %8s | %8s %8s %8s %8s | %7s %7s | %6s %6s\n' \
    files first click walk_ms drop_ms ren_ms walk/file list/row ren/row list_fl ren_fl \
    list_cpu list_srv ren_cpu ren_srv list/wk ren/wk lst/fl ren/fl
for n in "${sizes[@]}"; do
    firsts=() clicks=() walks=() drops=() renames=() dcpus=() dsrvs=() rcpus=() rsrvs=()
    lfloors=() rfloors=()
    for _ in $(seq 1 "$runs"); do
        run_once "$n"
        firsts+=("$first_ms") clicks+=("$click_ms") walks+=("$walk_ms") drops+=("$drop_ms")
        renames+=("$rename_ms") dcpus+=("$drop_cpu") dsrvs+=("$drop_server")
        rcpus+=("$rename_cpu") rsrvs+=("$rename_server") lfloors+=("$list_floor") rfloors+=("$ren_floor")
    done
    awk -v n="$n" -v f="$(median "${firsts[@]}")" -v c="$(median "${clicks[@]}")" \
        -v w="$(median "${walks[@]}")" -v d="$(median "${drops[@]}")" \
        -v r="$(median "${renames[@]}")" -v dc="$(median "${dcpus[@]}")" \
        -v ds="$(median "${dsrvs[@]}")" -v rc="$(median "${rcpus[@]}")" \
        -v rs="$(median "${rsrvs[@]}")" -v lf="$(median "${lfloors[@]}")" \
        -v rf="$(median "${rfloors[@]}")" 'BEGIN {
        printf "%6d %5.0f %5.0f %7.1f %7.0f %7.0f | %9.4f %8.3f %8.3f | %8.3f %8.3f |", n, f, c,
            w, d, r, w / n, d / n, r / n, lf / n, rf / n
        printf " %8.3f %8.3f %8.3f %8.3f | %6.0fx %6.0fx | %5.2fx %5.2fx\n", dc / n, ds / n,
            rc / n, rs / n, d / w, r / w, d / lf, r / rf }'
done
echo "== done, $(uptime | sed 's/.*load/load/')" >&2
