#!/usr/bin/env bash
# Writes tiny media files with known titles into a folder, for the title reader's corpus test,
# the benchmarks, the fuzz seeds and the Windows tests.
#
#   make_corpus.sh OUTDIR
#
# Every file is named CASE.EXT, where CASE says which title it was given:
#   ascii      A plain title 42
#   japanese   日本語のタイトル
#   forbidden  a:b?c*"<>|   (characters Windows forbids in file names)
#   none       no title at all
# Beside every file NAME the script writes NAME.title: the title ffprobe reports for it (the
# format tag "title" in any letter case), as UTF-8 without a newline, empty when there is none.
# Where ffprobe reads no title from a file that was given one (the 3GPP 'titl' box), the title
# ExifTool reports stands in.
# Consumers compare the reader's answer with that file, so they need no ffprobe of their own.
#
#   make_corpus.sh --probe FILE...
#
# Writes only the FILE.title answers, for media files made elsewhere (the benchmark's tree).
#
# Exits 77 when ffmpeg or ffprobe is missing (the test then skips).
set -euo pipefail

probe_title() {
    # Ogg keeps its comments per stream, and ffprobe reports them as stream tags there.
    local entries=format_tags
    case $1 in *.ogg | *.oga | *.ogv | *.opus) entries=format_tags:stream_tags ;; esac
    ffprobe -v error -show_entries "$entries" -of default=noprint_wrappers=1 "$1" |
        awk 'tolower(substr($0, 1, 10)) == "tag:title=" { printf "%s", substr($0, 11); exit }'
}

if [ "${1:-}" = --probe ]; then
    shift
    command -v ffprobe >/dev/null 2>&1 || { echo "make_corpus: ffprobe not found" >&2; exit 77; }
    for file in "$@"; do probe_title "$file" >"$file.title"; done
    exit 0
fi

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
command -v ffmpeg >/dev/null 2>&1 || { echo "make_corpus: ffmpeg not found" >&2; exit 77; }
command -v ffprobe >/dev/null 2>&1 || { echo "make_corpus: ffprobe not found" >&2; exit 77; }
mkdir -p "$out"

declare -A titles=(
    [ascii]='A plain title 42'
    [japanese]='日本語のタイトル'
    [forbidden]='a:b?c*"<>|'
)
cases=(ascii japanese forbidden none)

# Inputs: 0.1 s of a 16x16 black picture and of silence.
video=(-f lavfi -i color=c=black:s=16x16:r=10:d=0.1)
audio=(-f lavfi -i anullsrc=r=8000:cl=mono:d=0.1)

# One line per container: extension, then the ffmpeg options that make it (inputs included).
# Add more containers here; every line is generated for every case above.
formats=(
    # MP4 / QuickTime family
    "mp4  ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac"
    "m4a  ${audio[*]} -c:a aac"
    "mov  ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac"
    # 3GP branded, with iTunes-style metadata
    "3gp  ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac -f mp4 -brand 3gp5"
    # QuickTime metadata keys only: meta with handler 'mdta', a 'keys' box and keyed 'ilst' items
    "keys.mov ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac -movflags use_metadata_tags"
    # Matroska / WebM
    "mkv  ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac"
    "webm ${video[*]} ${audio[*]} -c:v libvpx -b:v 100k -c:a libopus"
    # ASF
    "wmv  ${video[*]} ${audio[*]} -c:v wmv2 -c:a wmav2"
    "asf  ${video[*]} ${audio[*]} -c:v wmv2 -c:a wmav2"
    "wma  ${audio[*]} -c:a wmav2"
    # RIFF
    "avi  ${video[*]} ${audio[*]} -c:v mpeg4 -c:a pcm_s16le"
    "wav  ${audio[*]} -c:a pcm_s16le"
    # FLAC, and FLAC in Ogg
    "flac ${audio[*]} -c:a flac"
    "flac.oga ${audio[*]} -c:a flac"
)

# ffmpeg's own 3gp muxer writes only a 3GPP 'titl' box, which ffprobe does not read; ExifTool
# gives the expected title.
if command -v exiftool >/dev/null 2>&1; then
    formats+=("titl.3gp ${video[*]} ${audio[*]} -c:v mpeg4 -c:a aac -f 3gp")
else
    echo "make_corpus: exiftool not found, so no 3GPP 'titl' files" >&2
fi

# MP3, Vorbis, Opus and Theora need encoders that an ffmpeg build may lack; each is left out
# with a note.
have_encoder() { ffmpeg -hide_banner -encoders 2>/dev/null | awk '{ print $2 }' | grep -qx "$1"; }
if have_encoder libmp3lame; then
    formats+=(
        # ID3v2.4 in UTF-8; ID3v2.3 in UTF-16 with an ID3v1 trailer
        "mp3  ${audio[*]} -c:a libmp3lame"
        "v23.mp3 ${audio[*]} -c:a libmp3lame -id3v2_version 3 -write_id3v1 1"
    )
else
    echo "make_corpus: ffmpeg has no libmp3lame encoder, so no .mp3 files" >&2
fi
if have_encoder libvorbis; then
    formats+=("ogg  ${audio[*]} -c:a libvorbis")
elif have_encoder vorbis; then
    formats+=("ogg  ${audio[*]} -c:a vorbis -strict experimental -ac 2")
else
    echo "make_corpus: ffmpeg has no Vorbis encoder, so no .ogg files" >&2
fi
if have_encoder libtheora; then
    # Theora alone, so that its comment header is the only place the title can come from
    # (ffprobe reads no stream tags from Theora below 32x32).
    formats+=("ogv  -f lavfi -i color=c=black:s=32x32:r=10:d=0.1 -c:v libtheora")
else
    echo "make_corpus: ffmpeg has no libtheora encoder, so no .ogv files" >&2
fi
if have_encoder libopus; then
    formats+=("opus ${audio[*]} -c:a libopus")
else
    echo "make_corpus: ffmpeg has no libopus encoder, so no .opus files" >&2
fi

for line in "${formats[@]}"; do
    read -r ext args <<<"$line"
    # The options hold no quoted words, so splitting on blanks is what is wanted here.
    # shellcheck disable=SC2206
    opts=($args)
    for c in "${cases[@]}"; do
        file="$out/$c.$ext"
        meta=()
        if [ "$c" != none ]; then meta=(-metadata "title=${titles[$c]}"); fi
        ffmpeg -nostdin -hide_banner -loglevel error -y "${opts[@]}" -shortest "${meta[@]}" \
            "$file"
        probe_title "$file" >"$file.title"
        if [ "$c" != none ] && [ ! -s "$file.title" ] && command -v exiftool >/dev/null 2>&1; then
            exiftool -s3 -Title "$file" | tr -d '\n' >"$file.title"
        fi
    done
done
