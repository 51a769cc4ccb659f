#!/usr/bin/env bash
# Installs what building, running and testing Quillmark needs on Debian 12.
# Idempotent: when everything is present it only checks and returns. The list below is the whole
# of it: every program, library and font that a script, preset or test uses comes from a package
# named here (or from Debian's essential set), and have_all checks exactly this list, so "done"
# means done. scripts/fresh-machine-check.sh proves it on a minimal Debian root.
set -euo pipefail

pkgs=(
  # building: CMake presets, the native and fuzz compilers, GoogleTest's sources
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest
  # the Windows program: MinGW-w64 (with its binutils, for the import check) and 32-bit Wine
  g++-mingw-w64-i686 mingw-w64-i686-dev wine wine32:i386
  # the virtual display, the journey's pointer and keyboard, screenshots (import), X headers
  # for the journey's drag-and-drop source
  xvfb xauth xdotool x11-utils imagemagick libx11-dev
  # media made for the tests and fuzz seeds (ffmpeg, ffprobe); the benchmarks' peers
  ffmpeg libimage-exiftool-perl libbenchmark-dev
  # the Japanese locale the code-page-932 runs use, and fonts for the Japanese captions
  locales fonts-ipafont-gothic
  # test.sh's check of the built executable
  file
)
# Where the kernel runs no 32-bit code, wine32 cannot start; the Windows tests then run the x86_64
# build of the same sources under the 64-bit Wine.
pkgs64=(wine64 g++-mingw-w64-x86-64 mingw-w64-x86-64-dev)
locale_name=ja_JP.UTF-8
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
have_locale() { locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; }

installed() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || return 1
  done
}

missing() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}

have_all() {
  dpkg --print-foreign-architectures | grep -qx i386 || return 1
  installed "${pkgs[@]}" || return 1
  runs_32bit || installed "${pkgs64[@]}" || return 1
  have_locale || return 1
  return 0
}

if have_all; then
  exit 0
fi

say() { printf 'install-deps: %s\n' "$*"; }
self=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")
SUDO=
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps: packages are missing and installing them needs root; as root, run: $self" >&2
    exit 1
  fi
  SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive
start=$SECONDS

# Turns apt's status lines into one line per tenth of each phase (download, then unpack and set
# up), with the seconds since the start, instead of apt's hundreds of per-package lines.
#   dlstatus:ITEM:PERCENT:TEXT   pmstatus:PACKAGE[:ARCH]:PERCENT:TEXT
apt_progress() {
  local line kind pct text shown_dl=-1 shown_pm=-1 tenth
  while IFS= read -r line; do
    if [[ $line =~ ^dlstatus:[0-9]+:([0-9]+)(\.[0-9]+)?:(.*)$ ]]; then
      kind=downloading pct=${BASH_REMATCH[1]} text=${BASH_REMATCH[3]}
      tenth=$((pct / 10))
      [ "$tenth" -gt "$shown_dl" ] || continue
      shown_dl=$tenth
    elif [[ $line =~ ^pmstatus:[^:]+(:[a-z0-9]+)?:([0-9]+)(\.[0-9]+)?:(.*)$ ]]; then
      kind=installing pct=${BASH_REMATCH[2]} text=${BASH_REMATCH[4]}
      tenth=$((pct / 10))
      [ "$tenth" -gt "$shown_pm" ] || continue
      shown_pm=$tenth
    else
      continue
    fi
    printf 'install-deps: %4d s  %-11s %3d%%  %s\n' "$((SECONDS - start))" "$kind" "$((tenth * 10))" "$text"
  done
}

# apt-get install showing apt_progress; its whole output goes to a log, shown when it fails.
apt_install() {
  local log count mb
  read -r count mb < <($SUDO apt-get install -qq --print-uris --no-install-recommends "$@" |
    awk '{ n++; bytes += $3 } END { printf "%d %d\n", n, bytes / 1000000 }')
  say "${count:-?} packages to download, ${mb:-?} MB"
  log=$(mktemp /tmp/quillmark-install-deps.XXXXXX)
  # The redirections happen in the root shell: sudo closes every descriptor above 2.
  if $SUDO bash -c 'log=$1; shift; exec apt-get install -y -q --no-install-recommends \
      -o Acquire::Retries=3 -o APT::Status-Fd=3 "$@" 3>&1 >"$log" 2>&1' apt_install "$log" "$@" | apt_progress; then
    rm -f "$log"
  else
    echo "install-deps: apt-get install failed; the end of its output:" >&2
    tail -n 40 "$log" >&2
    if [ "${lists_incomplete:-0}" = 1 ]; then
      echo "install-deps: some package lists could not be fetched (see the update above);" \
        "try again once the mirror has caught up" >&2
    fi
    rm -f "$log"
    exit 1
  fi
}

todo=$(missing "${pkgs[@]}" | tr '\n' ' ')
say "installing the build, Wine and test packages (first run only)"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture for 32-bit Wine"
  $SUDO dpkg --add-architecture i386
fi
say "updating the package lists (apt-get update)"
# A mirror caught mid-sync serves lists of the wrong size ("Mirror sync in progress?"), which
# usually clears within minutes: a failed update is tried again, after a longer wait each time.
# When it still fails only because some lists could not be fetched, apt has the others: the
# install goes on with them, and fails itself (showing apt's log) if what it needs is missing.
update_log=$(mktemp /tmp/quillmark-apt-update.XXXXXX)
updated=0
for wait_s in 30 60 120 0; do
  if $SUDO apt-get update -q -o Acquire::Retries=3 2>&1 | tee "$update_log" | sed -u 's/^/  /'; then
    updated=1
    break
  fi
  [ "$wait_s" -gt 0 ] || break
  say "apt-get update failed; trying again in $wait_s s"
  sleep "$wait_s"
done
if [ "$updated" = 0 ]; then
  if grep -q '^E: Some index files failed to download' "$update_log" &&
    [ "$(grep '^E: ' "$update_log" | grep -vc -e '^E: Failed to fetch' -e '^E: Some index files')" = 0 ]; then
    say "some package lists could not be fetched (above); going on with the lists apt has"
    lists_incomplete=1
  else
    rm -f "$update_log"
    echo "install-deps: apt-get update failed" >&2
    exit 1
  fi
fi
rm -f "$update_log"
if [ -n "$todo" ]; then
  say "installing ${todo% } and what they need"
  apt_install "${pkgs[@]}"
fi
if ! runs_32bit && ! installed "${pkgs64[@]}"; then
  say "this kernel runs no 32-bit code: installing the 64-bit Wine and MinGW-w64 for x86_64"
  apt_install "${pkgs64[@]}"
fi
if ! have_locale; then
  say "generating the $locale_name locale"
  $SUDO sed -i "s/^# *\\($locale_name UTF-8\\)/\\1/" /etc/locale.gen
  grep -q "^$locale_name UTF-8" /etc/locale.gen || echo "$locale_name UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
if ! have_all; then
  echo "install-deps: still missing after the install: $(missing "${pkgs[@]}" | tr '\n' ' ')" >&2
  exit 1
fi
say "done in $((SECONDS - start)) s"
