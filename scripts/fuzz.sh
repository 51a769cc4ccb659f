#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time (seconds per target, default 8), seeded with
# the committed seeds in fuzz/seeds/<target>/ and the ffmpeg corpus when it can be generated.
# Findings go to a temp folder; any crash fails the run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
secs=${1:-8}
bindir=${QM_FUZZ_BUILD:-$root/build/fuzz}
work=$(mktemp -d /tmp/quillmark-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
seeds=$work/generated
mkdir -p "$seeds"
if [ -x "$root/tests/media/make_corpus.sh" ] && command -v ffmpeg >/dev/null; then
    "$root/tests/media/make_corpus.sh" "$seeds" >/dev/null 2>&1 || true
fi
status=0
for bin in "$bindir"/fuzz_*; do
    [ -x "$bin" ] || continue
    name=$(basename "$bin")
    corpus=$work/$name
    mkdir -p "$corpus"
    dirs=("$corpus" "$seeds")
    [ -d "$root/fuzz/seeds/$name" ] && dirs+=("$root/fuzz/seeds/$name")
    if "$bin" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/$name-" \
        -print_final_stats=1 "${dirs[@]}" >"$work/$name.log" 2>&1; then
        echo "$name: $(grep -E '^stat::number_of_executed_units' "$work/$name.log" | awk '{print $2}') runs, no crash"
    else
        echo "$name: FAILED"; tail -40 "$work/$name.log"; status=1
    fi
done
exit $status
