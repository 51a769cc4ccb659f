#!/usr/bin/env bash
# Title benchmark: how fast titledump reads the titles of a 10,000-file tree of mixed media, and
# how many it gets right, against exiftool and against an I/O floor measured in the same run.
#
#   bench/title_bench.sh
#
# Steps: builds the bench preset; makes (once, then cached) a tree of 10,000 files of thirteen
# containers copied from a few dozen distinct files per container made with ffmpeg, with the
# titles ffprobe reports for them as the answer key; warms the page cache; times every tool three
# times, interleaved, and takes the median; compares every tool's titles with the key; prints a
# table. Not a test: nothing here is registered with CTest.
#
# Environment:
#   TITLE_BENCH_DIR   where the tree is cached (default /tmp/qm-title-bench)
#   BENCH_BUILD_DIR   build folder (default: the bench preset's own, build/bench)
#   TITLE_BENCH_RUNS  timed runs per tool (default 3)
#
# Needs ffmpeg and ffprobe (to make the tree) and exiftool (libimage-exiftool-perl).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

work=${TITLE_BENCH_DIR:-/tmp/qm-title-bench}
runs=${TITLE_BENCH_RUNS:-3}
files_wanted=10000
# Bump when the way the tree is made changes, so that a cached tree is made again.
tree_version=2

for tool in ffmpeg ffprobe exiftool perl; do
    command -v "$tool" >/dev/null 2>&1 || { echo "title_bench: $tool not found" >&2; exit 1; }
done

step() { printf '== %s\n' "$*" >&2; }

# --- (a) build -----------------------------------------------------------------------------------
step "building the bench preset"
if [ -n "${BENCH_BUILD_DIR:-}" ]; then
    build=$BENCH_BUILD_DIR
    cmake --preset bench -B "$build" >/dev/null
    cmake --build "$build" --target titledump floor >&2
else
    build=$root/build/bench
    cmake --preset bench >/dev/null
    cmake --build --preset bench >&2
fi
titledump=$build/titledump
floor=$build/floor

# --- (b) the tree --------------------------------------------------------------------------------
# Titles given to the distinct files, in turn; an empty entry means no title at all.
titles=(
    'A plain title 42'
    '日本語のタイトル'
    'a:b?c*"<>|'
    ''
    'Café crème brûlée'
    '東京の夜景 第3話 ー 2019年'
    '“Curly quotes” – en dash'
    '한국어 제목 / 中文标题'
    'Emoji 🎬 film'
    "It's 100% = done; #1"
    "$(printf 'A long title, part %d; ' 1 2 3 4 5 6 7 8 9 10 11 12)end"
    'AC/DC live at the hall'
)
containers=(mp4 m4a mov mkv webm wmv avi wav mp3 flac ogg opus ogv)
per_container=24

# Strips the ID3v2 tag from the front of an MP3 file, leaving its ID3v1 trailer as the only tag.
strip_id3v2() {
    local f=$1 b
    read -r -a b < <(od -An -tu1 -j6 -N4 "$f")
    local size=$(((b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]))
    tail -c +$((size + 11)) "$f" >"$f.tmp" && mv "$f.tmp" "$f"
}

# make_base EXT I FILE: one distinct file. I picks the title, the length, the picture size and
# the layout; I = 0 gives the large MP4, MOV and Matroska files (a few MB of noise video, so that
# the metadata of the MP4/MOV files sits after the media data and Matroska's Tags after its
# clusters).
make_base() {
    local ext=$1 i=$2 file=$3
    local title=${titles[i % ${#titles[@]}]}
    local d w h
    d=$(awk -v i="$i" 'BEGIN { printf "%.1f", 0.2 + (i % 5) * 0.3 }')
    w=$((16 * (1 + i % 4)))
    h=$((16 * (1 + i % 3)))
    local video=(-f lavfi -i "testsrc2=s=${w}x${h}:r=10:d=$d")
    if [ "$i" -eq 0 ] && [[ $ext == mp4 || $ext == mov || $ext == mkv ]]; then
        d=1.2
        video=(-f lavfi -i "nullsrc=s=320x240:r=25:d=$d,geq=lum='random(1)*255':cb=128:cr=128")
    fi
    local rate=$((i % 2 ? 44100 : 22050))
    local audio=(-f lavfi -i "sine=f=$((220 + 20 * i)):r=$rate:d=$d")
    local mv=(-c:v mpeg4 -q:v 3)
    local layout=()  # moov after mdat by default; every other MP4-family file is fast-start
    if [ $((i % 2)) -eq 1 ]; then layout=(-movflags +faststart); fi
    local opts
    case $ext in
        mp4) opts=("${video[@]}" "${audio[@]}" "${mv[@]}" -c:a aac "${layout[@]}") ;;
        m4a) opts=("${audio[@]}" -c:a aac "${layout[@]}") ;;
        mov) # every third file keeps its title only as a QuickTime metadata key
            if [ $((i % 3)) -eq 2 ]; then layout=(-movflags "${layout[1]:-}+use_metadata_tags"); fi
            opts=("${video[@]}" "${audio[@]}" "${mv[@]}" -c:a aac "${layout[@]}") ;;
        mkv) opts=("${video[@]}" "${audio[@]}" "${mv[@]}" -c:a "$([ $((i % 3)) -eq 0 ] && echo flac || echo aac)") ;;
        webm) opts=("${video[@]}" "${audio[@]}" -c:v libvpx -deadline realtime -cpu-used 8 -b:v 200k
            -c:a "$([ $((i % 2)) -eq 0 ] && echo libopus || echo libvorbis)") ;;
        wmv) opts=("${video[@]}" "${audio[@]}" -c:v wmv2 -c:a wmav2 -f asf) ;;
        avi) opts=("${video[@]}" "${audio[@]}" "${mv[@]}" -c:a "$([ $((i % 2)) -eq 0 ] && echo libmp3lame || echo pcm_s16le)") ;;
        wav) opts=("${audio[@]}" -c:a pcm_s16le) ;;
        mp3) # ID3v2.4, ID3v2.3, v2.4 with an ID3v1 trailer, and the trailer alone (stripped below)
            case $((i % 4)) in
                0) opts=("${audio[@]}" -c:a libmp3lame) ;;
                1) opts=("${audio[@]}" -c:a libmp3lame -id3v2_version 3) ;;
                *) opts=("${audio[@]}" -c:a libmp3lame -write_id3v1 1) ;;
            esac
            # ID3v1 holds 30 bytes of undeclared text: give the trailer-only files short ASCII.
            if [ $((i % 4)) -eq 3 ] && [ -n "$title" ]; then title="Trailer only $i"; fi ;;
        flac) opts=("${audio[@]}" -c:a flac) ;;
        ogg) opts=("${audio[@]}" -c:a libvorbis) ;;
        opus) opts=("${audio[@]}" -c:a libopus) ;;
        ogv) # Theora, alone or before Vorbis; at least 32x32, or ffprobe reads no tags from it
            opts=(-f lavfi -i "testsrc2=s=$((2 * w))x$((2 * h)):r=10:d=$d")
            if [ $((i % 2)) -eq 1 ]; then opts+=("${audio[@]}" -c:a libvorbis); fi
            opts+=(-c:v libtheora) ;;
        *) echo "make_base: unknown container $ext" >&2; return 1 ;;
    esac
    local meta=()
    if [ -n "$title" ]; then meta=(-metadata "title=$title"); fi
    ffmpeg -nostdin -hide_banner -loglevel error -y "${opts[@]}" -shortest "${meta[@]}" "$file"
    if [ "$ext" = mp3 ] && [ $((i % 4)) -eq 3 ]; then strip_id3v2 "$file"; fi
}

# The distinct files and their answers, made once: ffmpeg spends most of its time starting up, so
# four run at a time.
make_bases() {
    rm -rf "$work/base" "$work/base.stamp"
    mkdir -p "$work/base"
    step "making ${#containers[@]} x $per_container distinct files with ffmpeg (once)"
    local ext i running=0
    for ext in "${containers[@]}"; do
        for ((i = 0; i < per_container; i++)); do
            make_base "$ext" "$i" "$work/base/$(printf '%s_%02d.%s' "$ext" "$i" "$ext")" &
            if ((++running >= 4)); then
                wait -n
                running=$((running - 1))
            fi
        done
    done
    while ((running > 0)); do
        wait -n
        running=$((running - 1))
    done
    step "recording ffprobe's titles"
    printf '%s\0' "$work"/base/* | xargs -0 -n 24 -P 4 tests/media/make_corpus.sh --probe
    echo "$base_stamp" >"$work/base.stamp"
}

# The tree: copies (not links) of the distinct files, 25 to a folder in 400 folders three levels
# deep, and manifest.tsv, the answer key: path, then the title escaped as titledump writes it.
make_tree() {
    rm -rf "$work/tree" "$work/stamp"
    step "copying them into a tree of $files_wanted files"
    (cd "$work/base" && for f in *; do [[ $f == *.title ]] || printf '%s\n' "$f"; done) |
        base="$work/base" perl -ne 'chomp; my $n = $_; open my $t, "<", "$ENV{base}/$n.title" or die;
            local $/; my $v = <$t>; $v = "" unless defined $v;
            $v =~ s/\\/\\\\/g; $v =~ s/\t/\\t/g; $v =~ s/\n/\\n/g; $v =~ s/\r/\\r/g;
            print "$n\t$v\n"' >"$work/bases.tsv"
    # Consecutive files step 37 distinct files on (prime to their count), so that every folder
    # mixes containers and every distinct file is copied about as often as any other.
    awk -F'\t' -v want="$files_wanted" -v manifest="$work/manifest.tsv" '
        BEGIN { n = 0 }
        { name[n] = $1; title[n] = $2; n++ }
        END {
            k = 0
            stride = n % 37 ? 37 : 1
            for (leaf = 0; k < want; leaf++) {
                dir = sprintf("tree/a%d/b%d/c%d", int(leaf / 40), int(leaf / 4) % 10, leaf % 4)
                line = dir
                for (j = 0; j < 25 && k < want; j++) {
                    b = (k * stride) % n
                    line = line "\t" name[b]
                    print dir "/" name[b] "\t" title[b] > manifest
                    k++
                }
                print line
            }
        }' "$work/bases.tsv" >"$work/leaves.tsv"
    local dir names
    while IFS=$'\t' read -r -a names; do
        dir=${names[0]}
        mkdir -p "$work/$dir"
        (cd "$work/base" && cp --reflink=never -t "$work/$dir" "${names[@]:1}")
    done <"$work/leaves.tsv"
    echo "$tree_stamp" >"$work/stamp"
}

base_stamp="version=$tree_version containers=${containers[*]} each=$per_container"
tree_stamp="$base_stamp files=$files_wanted"
if [ "$(cat "$work/base.stamp" 2>/dev/null)" != "$base_stamp" ]; then make_bases; fi
if [ "$(cat "$work/stamp" 2>/dev/null)" != "$tree_stamp" ]; then make_tree; fi

cd "$work"
nfiles=$(wc -l <manifest.tsv)
tree_mb=$(du -sm --apparent-size tree | cut -f1)

# --- (c) warm the page cache ---------------------------------------------------------------------
step "warming the page cache"
find tree -type f -print0 | xargs -0 cat >/dev/null
"$floor" tree >/dev/null
"$titledump" tree >/dev/null
exiftool -ver >/dev/null  # its Perl modules

# --- (d) time every tool, interleaved, the median of $runs runs ---------------------------------
# run NAME CMD...: runs once with the output in NAME.out and NAME.err; appends the wall-clock
# seconds and the CPU seconds (user + system) taken to NAME.times. The CPU figure stays honest
# when other work shares the machine; the wall-clock one is what a user waits.
run() {
    local name=$1 rc=0 real user sys
    shift
    local TIMEFORMAT='%R %U %S'
    { time "$@" >"$name.out" 2>"$name.err" || rc=$?; } 2>"$name.time"
    if [ "$rc" -ne 0 ]; then echo "title_bench: $name exited with $rc (see $work/$name.err)" >&2; fi
    read -r real user sys <"$name.time"
    awk -v r="$real" -v u="$user" -v s="$sys" 'BEGIN { printf "%s %.3f\n", r, u + s }' >>"$name.times"
}
rm -f ./*.times
load=$(cut -d' ' -f1-3 /proc/loadavg)
for ((r = 1; r <= runs; r++)); do
    step "timed run $r of $runs"
    run floor "$floor" tree
    run titledump "$titledump" --stats tree
    run exiftool exiftool -fast2 -Title -r tree
done
# median NAME COLUMN: the median of one column of NAME.times (1 wall clock, 2 CPU).
median() { sort -g -k"$2,$2" "$1.times" | awk -v c="$2" '{ t[NR] = $c } END { print t[int((NR + 1) / 2)] }'; }
rate() { awk -v n="$nfiles" -v t="$(median "$1" "$2")" 'BEGIN { printf "%.0f", n / t }'; }

# --- (e) titles right ----------------------------------------------------------------------------
# check NAME FORMAT: compares NAME.out with the answer key; prints "right/total", and writes the
# files it got wrong to NAME.wrong ("path<TAB>expected<TAB>got"). FORMAT is "tsv" (titledump's
# lines) or "exiftool" (its "======== path" and "Title : value" lines).
check() {
    perl -e '
        my ($format, $out, $wrong) = @ARGV;
        my %want;
        open my $m, "<", "manifest.tsv" or die;
        while (<$m>) { chomp; my ($p, $t) = split /\t/, $_, 2; $want{$p} = $t // ""; }
        my %got;
        open my $o, "<", $out or die;
        my $cur;
        while (<$o>) {
            chomp;
            if ($format eq "tsv") { my ($p, $t) = split /\t/, $_, 2; $got{$p} = $t // ""; next; }
            if (/^======== (.*)$/) { $cur = $1; $got{$cur} = ""; next; }
            if (defined $cur && /^Title\s*: (.*)$/) {
                (my $t = $1) =~ s/\\/\\\\/g; $got{$cur} = $t;
            }
        }
        open my $w, ">", $wrong or die;
        my $right = 0;
        for my $p (sort keys %want) {
            my $g = $got{$p};
            if (defined $g && $g eq $want{$p}) { $right++; next; }
            print $w "$p\t$want{$p}\t", (defined $g ? $g : "<missing>"), "\n";
        }
        print "$right/", scalar(keys %want), "\n";
    ' "$2" "$1.out" "$1.wrong"
}
titledump_right=$(check titledump tsv)
exiftool_right=$(check exiftool exiftool)
floor_rate=$(rate floor 1)
floor_cpu_rate=$(rate floor 2)

# --- (f) the table -------------------------------------------------------------------------------
per_file() { awk -F'[:,]' '/^bytes read:/ { sub(/ per file/, "", $3); printf "%.0f", $3 }' "$1"; }
row() {  # tool right bytes
    awk -v tool="$1" -v r="$(rate "$1" 1)" -v f="$floor_rate" -v c="$(rate "$1" 2)" \
        -v fc="$floor_cpu_rate" -v right="$2" -v bytes="$3" 'BEGIN {
        split(right, rt, "/")
        pct = right == "-" ? "-" : sprintf("%s (%.2f%%)", right, 100 * rt[1] / rt[2])
        printf "%-10s %9s %9.3f %11s %9.3f  %-22s %10s\n", tool, r, r / f, c, c / fc, pct, bytes }'
}
cat <<HEADER

Title benchmark: $nfiles files, $tree_mb MB ($(wc -l <bases.tsv) distinct files over ${#containers[@]} containers), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')
page cache warm; median of $runs runs each, interleaved; load average before: $load
tree in $work/tree

HEADER
printf '%-10s %9s %9s %11s %9s  %-22s %10s\n' tool files/s "vs floor" files/CPU-s "vs floor" \
    "titles right" bytes/file
row floor - "$(per_file floor.out)"
row titledump "$titledump_right" "$(per_file titledump.err)"
row exiftool "$exiftool_right" -
echo
echo "floor:     $floor tree   (first and last 64 KiB of every file)"
echo "titledump: $titledump --stats tree"
echo "exiftool:  exiftool -fast2 -Title -r tree   ($(exiftool -ver))"
echo "files/s is wall-clock; files/CPU-s counts the tool's own user + system time; a title is"
echo "right when it equals ffprobe's; bytes/file are the bytes the reader asked for."
echo "titledump --stats: $(tr '\n' ';' <titledump.err | sed 's/;$//; s/;/; /g')"
for tool in titledump exiftool; do
    if [ -s "$tool.wrong" ]; then
        echo
        echo "$tool: wrong titles by distinct file (path, expected, got; all in $work/$tool.wrong):"
        awk -F'\t' '{ n = split($1, p, "/"); if (!seen[p[n]]++) print "  " p[n] "\t" $2 "\t" $3 }' \
            "$tool.wrong" | sort | head -n 40
    fi
done
