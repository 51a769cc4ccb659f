#!/usr/bin/env bash
# A user's journey, end to end: start Quillmark.exe, drop a folder of videos on its window the
# way a file manager does (X drag and drop), read the list back, uncheck one row and edit the
# name in another with the pointer and keyboard, press the rename button with a real click, and
# then look at the files on disk and the rows left; open the about window with a click, close
# it with a key and see the main window take input again; drop one folder twice, press the
# button twice, and see each file under its own title.
#
#   journey_test.sh PATH/TO/Quillmark.exe
#
# CTest runs it with the Wine environment exported (QM_WINE, WINEPREFIX, DISPLAY); run on its
# own it prepares one through scripts/wine-env.sh. Screenshots (after the drop, before and after
# the rename, the about window, the cleared list, the folder pressed twice) are kept in
# e2e-artifacts/journey/ beside the exe. Prints "SKIP: ..." and exits 0 when the journey cannot be made on this machine.
set -euo pipefail

exe=$(realpath "${1:?usage: journey_test.sh PATH/TO/Quillmark.exe}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
probe_exe=$(dirname "$exe")/lvprobe.exe
artifacts=$(dirname "$exe")/e2e-artifacts/journey

skip() {
    echo "SKIP: $*"
    exit 0
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "-- $*"; }

for tool in cc xdotool ffmpeg import md5sum; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
[ -f "$exe" ] || fail "no program at $exe"
[ -f "$probe_exe" ] || fail "no lvprobe.exe beside the program (it is built with it)"

# The program was made for the Japanese code page; use it when the system has the locale.
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    japanese=1
else
    japanese=0
fi

work=$(mktemp -d /tmp/quillmark-journey.XXXXXX)
qm_pid=
cleanup() {
    if [ -n "$qm_pid" ] && kill -0 "$qm_pid" 2>/dev/null; then kill "$qm_pid" 2>/dev/null || true; fi
    rm -rf "$work"
    if declare -F qm_wine_cleanup >/dev/null; then qm_wine_cleanup; fi
}
trap cleanup EXIT

if [ -z "${QM_WINE:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    # shellcheck source=../../scripts/wine-env.sh
    . "$root/scripts/wine-env.sh"
    export QM_HEADLESS=${QM_HEADLESS:-1}
    qm_wine_setup
fi
export WINEDEBUG=${WINEDEBUG:--all}

# Every look from outside is bounded: a program that hangs must fail the journey, not stall it.
probe() { timeout 60 "$QM_WINE" "$probe_exe" "$@"; }
shot() { import -window root "$artifacts/$1.png"; }
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool click 1
}

step "building the drag-and-drop source"
cc -std=c11 -D_POSIX_C_SOURCE=200809L -O2 -Wall -Wextra -Werror -o "$work/xdnd_drop" \
    "$here/xdnd_drop.c" -lX11

step "making the videos"
videos=$work/videos
mkdir -p "$videos/nested"
video() {  # video FILE [TITLE]: 0.1 s of a tiny black picture, with the title when given
    local meta=()
    [ $# -gt 1 ] && meta=(-metadata "title=$2")
    ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi \
        -i color=c=black:s=16x16:r=10:d=0.1 -c:v mpeg4 "${meta[@]}" "$1"
}
video "$videos/clip1.mkv" "First Light"        # clashes with the next file: gets _00
video "$videos/First Light.mkv"                 # no title: not listed
video "$videos/clip2.mp4" "Harbour at Dawn"     # the user unchecks it
video "$videos/clip3.mkv" "Night Train"         # the user renames it by hand
video "$videos/same.mp4" "same"                 # already named after its title: not listed
video "$videos/notitle.mp4"                     # no title: not listed
video "$videos/bad.mkv" "Why?"                  # a name Windows refuses: the row stays
video "$videos/nested/clip4.mp4" "Deep Cut"     # one folder down
video "$videos/movie.mp4" "Movie"               # a change of letter case only
if [ "$japanese" = 1 ]; then
    video "$videos/jp.mkv" "夜の港"
fi
declare -A before
while IFS= read -r -d '' f; do
    before[${f#"$videos"/}]=$(md5sum <"$f" | cut -d' ' -f1)
done < <(find "$videos" -type f -print0)

step "starting the program"
mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
"$QM_WINE" "$exe" >"$work/program.log" 2>&1 &
qm_pid=$!
probe find 60 >/dev/null || fail "the main window did not appear"
sleep 1

step "dropping $videos on the window"
read -r lx ly < <(probe point list)
xdotool mousemove "$lx" "$ly"
"$work/xdnd_drop" --timeout 30 "$lx" "$ly" "$videos" ||
    fail "the window did not take the drop (xdnd_drop exit $?)"

# The program reads the titles while it handles the drop; wait until the list settles.
rows=
for _ in $(seq 1 60); do
    sleep 0.5
    now=$(probe rows)
    [ -n "$now" ] && [ "$now" = "$rows" ] && break
    rows=$now
done
shot 1-dropped
if [ -z "$rows" ]; then
    fail "Quillmark.exe lists nothing after the drop (no titles read); see $artifacts/1-dropped.png"
fi
echo "$rows"

folder=$("$QM_WINE" winepath -w "$videos" 2>/dev/null | tr -d '\r')\\
# Rows: index, checked, caption, base name, extension, folder.
expected=$(
    printf '1\tFirst Light\tclip1\t.mkv\t%s\n' "$folder"
    printf '1\tHarbour at Dawn\tclip2\t.mp4\t%s\n' "$folder"
    printf '1\tNight Train\tclip3\t.mkv\t%s\n' "$folder"
    printf '1\tWhy?\tbad\t.mkv\t%s\n' "$folder"
    printf '1\tDeep Cut\tclip4\t.mp4\t%snested\\\n' "$folder"
    printf '1\tMovie\tmovie\t.mp4\t%s\n' "$folder"
    if [ "$japanese" = 1 ]; then printf '1\t夜の港\tjp\t.mkv\t%s\n' "$folder"; fi
)
listed=$(cut -f2- <<<"$rows" | sort)
[ "$listed" = "$(sort <<<"$expected")" ] ||
    fail "the list after the drop is not what was dropped:"$'\n'"$listed"$'\n'"expected:"$'\n'"$(sort <<<"$expected")"

row_of() { awk -F'\t' -v base="$1" '$4 == base { print $1; exit }' <<<"$(probe rows)"; }

step "unchecking Harbour at Dawn with a click on its check box"
read -r cx cy < <(probe point check "$(row_of clip2)")
click_at "$cx" "$cy"
sleep 0.5
[ "$(awk -F'\t' '$4 == "clip2" { print $2 }' <<<"$(probe rows)")" = 0 ] ||
    fail "the click did not clear the check box"

step "renaming Night Train by hand: click, click again, type"
read -r ex ey < <(probe point label "$(row_of clip3)")
click_at "$ex" "$ey"
sleep 1  # longer than a double click: the second click opens the editor
xdotool click 1
for _ in $(seq 1 10); do
    sleep 0.3
    probe editing && break
done
if probe editing; then
    echo "the second click opened the editor"
else
    echo "the second click opened no editor; asking the list to open it"
    probe edit "$(row_of clip3)"
fi
probe editing || fail "the caption editor did not open"
xdotool key ctrl+a
xdotool type --delay 40 "Edited Name"
xdotool key Return
sleep 0.5
[ "$(awk -F'\t' '$4 == "clip3" { print $3 }' <<<"$(probe rows)")" = "Edited Name" ] ||
    fail "the edited caption did not stay"
shot 2-before-rename

step "pressing the rename button"
read -r bx by < <(probe point button "チェックしたファイルを名称変更")
click_at "$bx" "$by"
for _ in $(seq 1 40); do
    sleep 0.5
    [ "$(probe rows | wc -l)" -le 2 ] && break
done
shot 3-after-rename
left=$(probe rows | cut -f2- | sort)
echo "$left"
expected_left=$(
    printf '0\tHarbour at Dawn\tclip2\t.mp4\t%s\n' "$folder"
    printf '1\tWhy?\tbad\t.mkv\t%s\n' "$folder"
)
[ "$left" = "$(sort <<<"$expected_left")" ] ||
    fail "rows left after the rename:"$'\n'"$left"$'\n'"expected:"$'\n'"$expected_left"

step "checking the files on disk"
declare -A renamed=(
    [clip1.mkv]="First Light_00.mkv"
    [clip3.mkv]="Edited Name.mkv"
    [nested/clip4.mp4]="nested/Deep Cut.mp4"
    [movie.mp4]="Movie.mp4"
)
[ "$japanese" = 1 ] && renamed[jp.mkv]="夜の港.mkv"
declare -A after
while IFS= read -r -d '' f; do
    after[${f#"$videos"/}]=$(md5sum <"$f" | cut -d' ' -f1)
done < <(find "$videos" -type f -print0)
[ "${#after[@]}" = "${#before[@]}" ] || fail "${#before[@]} files before, ${#after[@]} after"
for name in "${!before[@]}"; do
    now=${renamed[$name]:-$name}
    [ "${after[$now]:-}" = "${before[$name]}" ] ||
        fail "$name should now be $now with its own content; the folder holds: $(cd "$videos" && find . -type f | sort | tr '\n' ' ')"
done

step "opening the about window with a click on バージョン情報"
read -r vx vy < <(probe point button "バージョン情報")
click_at "$vx" "$vy"
caption=$(probe about 30) || fail "the version button opened no about window"
echo "$caption"
case $caption in
    "Quillmark Ver."*" - InfoForm") ;;
    *) fail "the about window's caption is $caption" ;;
esac
if probe enabled; then fail "the main window takes input while the modal about window is up"; fi
sleep 1  # a readout tick or two, for the screenshot
shot 4-about

step "closing it with a key press"
xdotool key a
probe about-gone 20 || fail "a key press did not close the about window"
for _ in $(seq 1 20); do
    probe enabled && break
    sleep 0.25
done
probe enabled || fail "the main window takes no input after the about window closed"

step "the main window takes input again: リストクリア empties the list"
read -r lx2 ly2 < <(probe point button "リストクリア")
click_at "$lx2" "$ly2"
for _ in $(seq 1 20); do
    [ -z "$(probe rows)" ] && break
    sleep 0.25
done
[ -z "$(probe rows)" ] || fail "the clear button did not empty the list after the about window"
shot 5-cleared

step "dropping one folder twice and pressing the rename button twice"
# b.avi is titled Beta and a.avi is titled b: the first press renames b.avi away and a.avi into
# b.avi (or b_00.avi), and b.avi's second row must not rename a's file on the second press.
twice=$work/twice
mkdir -p "$twice"
video "$twice/b.avi" "Beta"
video "$twice/a.avi" "b"
sum_a=$(md5sum <"$twice/a.avi" | cut -d' ' -f1)
sum_b=$(md5sum <"$twice/b.avi" | cut -d' ' -f1)
for n in 2 4; do
    "$work/xdnd_drop" --timeout 30 "$lx" "$ly" "$twice" ||
        fail "the window did not take the drop (xdnd_drop exit $?)"
    for _ in $(seq 1 60); do
        [ "$(probe rows | wc -l)" -ge "$n" ] && break
        sleep 0.5
    done
done
[ "$(probe rows | wc -l)" = 4 ] || fail "two drops of $twice did not list two rows a file"
for press in 1 2; do
    click_at "$bx" "$by"
    sleep 2
done
shot 6-pressed-twice
files=$(cd "$twice" && find . -type f | sort | tr '\n' ' ')
[ "$(md5sum <"$twice/Beta.avi" 2>/dev/null | cut -d' ' -f1)" = "$sum_b" ] ||
    fail "b.avi (titled Beta) is not Beta.avi after two presses; the folder holds: $files"
a_now=
for name in b.avi b_00.avi; do
    [ "$(md5sum <"$twice/$name" 2>/dev/null | cut -d' ' -f1)" = "$sum_a" ] && a_now=$name
done
[ -n "$a_now" ] || fail "a.avi (titled b) is neither b.avi nor b_00.avi; the folder holds: $files"
[ "$(find "$twice" -type f | wc -l)" = 2 ] || fail "the folder holds other files: $files"
echo "a.avi is now $a_now, b.avi is Beta.avi"

step "closing the program"
probe close || true
for _ in $(seq 1 20); do
    kill -0 "$qm_pid" 2>/dev/null || break
    sleep 0.5
done
echo "journey passed; screenshots in $artifacts"
