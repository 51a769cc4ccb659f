#!/usr/bin/env bash
# titledump end to end: the walk (nested folders, a link loop, a link to a file), the one-line
# escaping of titles, the exit statuses and the --stats summary.
#
#   titledump_test.sh PATH_TO_TITLEDUMP
#
# Exits 77 (skipped) when ffmpeg is missing.
set -euo pipefail
titledump=$1
command -v ffmpeg >/dev/null 2>&1 || { echo "ffmpeg not found" >&2; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$dir/tree/sub/deep"
title=$(printf 'tab\there\nline\\end')
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i anullsrc=r=8000:cl=mono:d=0.1 \
    -c:a flac -metadata "title=$title" "$dir/tree/sub/deep/clip.mkv"
printf 'not media' >"$dir/tree/notes.txt"
ln -s .. "$dir/tree/sub/loop"              # back up the tree: must not be followed
ln -s sub/deep/clip.mkv "$dir/tree/link.mkv"  # to a file: read like the file

# A link loop must not make the walk run for ever.
timeout 20 "$titledump" --stats "$dir/tree" >"$dir/out" 2>"$dir/err" || fail "exit $? on the tree"
sort "$dir/out" >"$dir/got"
printf '%s\t%s\n' \
    "$dir/tree/link.mkv" 'tab\there\nline\\end' \
    "$dir/tree/notes.txt" '' \
    "$dir/tree/sub/deep/clip.mkv" 'tab\there\nline\\end' | sort >"$dir/want"
diff -u "$dir/want" "$dir/got" || fail "lines differ"
grep -qx 'files: 3' "$dir/err" || fail "stats: $(cat "$dir/err")"

# A file named directly; a missing one is reported, gets no line, and fails the run.
rc=0
"$titledump" "$dir/tree/notes.txt" "$dir/missing.mp4" >"$dir/out" 2>"$dir/err" || rc=$?
[ "$rc" -eq 1 ] || fail "exit $rc with a missing file"
[ "$(cat "$dir/out")" = "$dir/tree/notes.txt"$'\t' ] || fail "output: $(cat "$dir/out")"
grep -q 'missing.mp4' "$dir/err" || fail "missing file not reported"

rc=0
"$titledump" --stats >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 2 ] || fail "exit $rc without paths"
rc=0
"$titledump" --bogus "$dir/tree" >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 2 ] || fail "exit $rc with an unknown option"
echo "titledump: all checks passed"
