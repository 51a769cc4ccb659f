#!/usr/bin/env bash
# Installs what building, running and testing Quillmark needs on Debian 12.
# Idempotent: when everything is present it only checks and returns. The lists below are the whole
# of it: every program, library and font that a script, preset or test uses comes from a package
# named here (or from Debian's essential set), and have_all checks exactly these lists, so "done"
# means done. scripts/fresh-machine-check.sh proves it on a minimal Debian root.
#
# The Windows tests and run.sh use 32-bit Wine with the shipped i686 build where they can, and
# otherwise the x86_64 build of the same sources under 64-bit Wine (the i686 exe is built either
# way). Which one is decided before anything is installed:
#   - QM_64BIT_ONLY=1 in the environment, or a kernel that runs no 32-bit code: x86_64, and the
#     i386 architecture is never added nor any i386 package installed;
#   - otherwise 32-bit, unless its i386 packages cannot be installed now (an i386 package list
#     missing or out of step on the mirror, unmet i386 dependencies): then x86_64, and later runs
#     keep that (a note in build/) until `install-deps.sh --32bit` asks for the 32-bit one again.
# Nothing is ever removed: apt runs with --no-remove.
#
#   scripts/install-deps.sh [--32bit]
set -euo pipefail

pkgs=(
  # building: CMake presets, the native and fuzz compilers, GoogleTest's sources
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format googletest
  # the Windows program: MinGW-w64 for i686 and x86_64 (with their binutils: test.sh checks
  # the imports of both builds, whichever Wine runs the tests) and Wine
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev wine
  # the virtual display, the journey's pointer and keyboard, screenshots (import), X headers
  # for the journey's drag-and-drop source
  xvfb xauth xdotool x11-utils imagemagick libx11-dev
  # media made for the tests and fuzz seeds (ffmpeg, ffprobe); the benchmarks' peers
  ffmpeg libimage-exiftool-perl libbenchmark-dev
  # the Japanese locale the code-page-932 runs use, and fonts for the Japanese captions
  locales fonts-ipafont-gothic
  # test.sh's checks of the built executable and of the ZIP package
  file unzip
)
# 32-bit Wine, for the shipped i686 build.
pkgs32=(wine32:i386)
# 64-bit Wine, for the x86_64 build of the same sources.
pkgs64=(wine64)
locale_name=ja_JP.UTF-8
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")
# Present while this clone keeps the x86_64 build because the i386 packages could not be
# installed; it holds the reason.
keep64_note=$(dirname "$here")/build/.install-deps-x86_64

say() { printf 'install-deps: %s\n' "$*"; }
have_locale() { locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; }
has_i386_arch() { dpkg --print-foreign-architectures | grep -qx i386; }

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

# The packages this run needs: the common ones and one of the two Wines with its tool chain.
wanted() {
  if [ "$want32" = 1 ]; then
    printf '%s\n' "${pkgs[@]}" "${pkgs32[@]}"
  else
    printf '%s\n' "${pkgs[@]}" "${pkgs64[@]}"
  fi
}

have_all() {
  if [ "$want32" = 1 ]; then has_i386_arch || return 1; fi
  # shellcheck disable=SC2046 # one package name a line
  installed $(wanted) || return 1
  have_locale || return 1
  return 0
}

# Whether the kernel runs 32-bit x86 code, asked without any package: a 93-byte static i386 ELF
# whose only instruction is the exit system call. A kernel without IA-32 emulation refuses it
# ("Exec format error"). Tried in a temp folder and, should that be mounted noexec, in build/.
kernel_runs_i386() {
  local dir base ok=1
  for base in "${TMPDIR:-/tmp}" "$(dirname "$here")/build"; do
    mkdir -p "$base" 2>/dev/null || continue
    dir=$(mktemp -d "$base/quillmark-i386.XXXXXX" 2>/dev/null) || continue
    printf '%b' \
      '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000' \
      '\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' \
      '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000' \
      '\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' >"$dir/exit0"
    chmod 755 "$dir/exit0"
    "$dir/exit0" >/dev/null 2>&1 && ok=0
    rm -rf "$dir"
    [ "$ok" = 0 ] && return 0
  done
  return 1
}

# What went wrong in an apt-get update, from its output: "none", "i386" when the only failures
# are i386 package lists that could not be fetched, "fetch" when lists of other architectures
# could not be fetched too, or "other" for any other error.
update_failure_kind() {
  local log=$1 errors uris
  errors=$(grep -E '^[[:space:]]*E: ' "$log" | sed 's/^[[:space:]]*//') || true
  [ -n "$errors" ] || { echo none; return; }
  if grep -vqE '^E: (Failed to fetch |Some index files failed to download)' <<<"$errors"; then
    echo other
    return
  fi
  uris=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' <<<"$errors")
  if [ -z "$uris" ]; then
    echo other
  elif grep -vq '/binary-i386/' <<<"$uris"; then
    echo fetch
  else
    echo i386
  fi
}

# The first line of a failed apt-get install simulation that names an i386 package, trimmed:
# the reason shown when the 32-bit packages cannot be installed.
first_i386_problem() {
  grep -m1 ':i386' "$1" | sed -E 's/^[[:space:]]+//; s/[[:space:]]+/ /g' || true
}

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
# --no-remove: installing never takes away a package the user has.
apt_install() {
  local log count mb
  read -r count mb < <($SUDO apt-get install -qq --print-uris --no-install-recommends --no-remove "$@" |
    awk '{ n++; bytes += $3 } END { printf "%d %d\n", n, bytes / 1000000 }')
  say "${count:-?} packages to download, ${mb:-?} MB"
  log=$(mktemp /tmp/quillmark-install-deps.XXXXXX)
  # The redirections happen in the root shell: sudo closes every descriptor above 2.
  if $SUDO bash -c 'log=$1; shift; exec apt-get install -y -q --no-install-recommends --no-remove \
      -o Acquire::Retries=3 -o APT::Status-Fd=3 "$@" 3>&1 >"$log" 2>&1' apt_install "$log" "$@" | apt_progress; then
    rm -f "$log"
  else
    echo "install-deps: apt-get install failed; the end of its output:" >&2
    tail -n 40 "$log" >&2
    if [ "$lists_incomplete" = 1 ]; then
      echo "install-deps: some package lists could not be fetched (see the update above);" \
        "try again once the mirror has caught up" >&2
    fi
    rm -f "$log"
    exit 1
  fi
}

# The i386 packages cannot be installed now: use the x86_64 build from here on, and keep it.
fall_back_to_x86_64() {
  want32=0
  say "the 32-bit Wine cannot be installed now ($1); installing the x86_64 tool chain and" \
    "64-bit Wine instead: the same program, built for x86_64, runs the tests and run.sh" \
    "(the shipped 32-bit Quillmark.exe is still built); later runs keep this until" \
    "'$self --32bit' tries the 32-bit Wine again"
  mkdir -p "$(dirname "$keep64_note")"
  printf '%s\n' "$1" >"$keep64_note"
  # The i386 architecture goes again if this run added it; dpkg keeps it while any i386
  # package is installed.
  if [ "$added_i386" = 1 ]; then
    $SUDO dpkg --remove-architecture i386 2>/dev/null || true
  fi
}

main() {
  if [ "${1:-}" = --32bit ]; then
    rm -f "$keep64_note"
  elif [ $# -gt 0 ]; then
    echo "usage: $self [--32bit]" >&2
    exit 2
  fi

  want32=1 why=
  if [ "${QM_64BIT_ONLY:-0}" = 1 ]; then
    want32=0 why="QM_64BIT_ONLY=1 is set"
  elif ! kernel_runs_i386; then
    want32=0 why="this kernel runs no 32-bit code"
  elif [ -f "$keep64_note" ]; then
    want32=0
  fi

  if have_all; then
    exit 0
  fi

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
  lists_incomplete=0 added_i386=0

  say "installing the build, Wine and test packages (first run only)"
  if [ -n "$why" ]; then
    say "$why: the Windows tests and run.sh use the x86_64 build under 64-bit Wine; no i386 package is installed"
  elif [ "$want32" = 0 ]; then
    say "keeping the x86_64 build under 64-bit Wine chosen before ($(cat "$keep64_note"));" \
      "'$self --32bit' tries the 32-bit Wine again"
  elif ! has_i386_arch; then
    say "adding the i386 architecture for 32-bit Wine"
    $SUDO dpkg --add-architecture i386
    added_i386=1
  fi

  say "updating the package lists (apt-get update)"
  # A mirror caught mid-sync serves lists of the wrong size ("Mirror sync in progress?"), which
  # usually clears within minutes: a failed update is tried again, after a longer wait each time.
  # Only i386 lists failing is not waited for: the x86_64 build needs none of them. When an
  # update still fails only because some lists could not be fetched, apt has the others: the
  # install goes on with them, and fails itself (showing apt's log) if what it needs is missing.
  local update_log kind=none wait_s
  update_log=$(mktemp /tmp/quillmark-apt-update.XXXXXX)
  for wait_s in 30 60 120 0; do
    if $SUDO apt-get update -q -o Acquire::Retries=3 2>&1 | tee "$update_log" | sed -u 's/^/  /'; then
      kind=none
      break
    fi
    kind=$(update_failure_kind "$update_log")
    [ "$kind" = i386 ] && break
    [ "$wait_s" -gt 0 ] || break
    say "apt-get update failed; trying again in $wait_s s"
    sleep "$wait_s"
  done
  rm -f "$update_log"
  case $kind in
    none) ;;
    i386)
      if [ "$want32" = 1 ]; then
        fall_back_to_x86_64 "the mirror's i386 package list could not be fetched"
      else
        say "the mirror's i386 package list could not be fetched; this install needs none"
      fi
      ;;
    fetch)
      say "some package lists could not be fetched (above); going on with the lists apt has"
      lists_incomplete=1
      ;;
    *)
      echo "install-deps: apt-get update failed" >&2
      exit 1
      ;;
  esac

  local todo sim_log problem
  # shellcheck disable=SC2046 # one package name a line
  todo=$(missing $(wanted) | tr '\n' ' ')
  if [ "$want32" = 1 ] && [ -n "$todo" ]; then
    # Ask apt first whether the 32-bit set can be installed at all, and whether the x86_64 set
    # could be instead: an i386 library out of step with its amd64 twin fails only the former.
    sim_log=$(mktemp /tmp/quillmark-apt-simulate.XXXXXX)
    if ! apt-get install -s -q --no-install-recommends --no-remove "${pkgs[@]}" "${pkgs32[@]}" \
      >"$sim_log" 2>&1 &&
      apt-get install -s -q --no-install-recommends --no-remove "${pkgs[@]}" "${pkgs64[@]}" \
        >/dev/null 2>&1; then
      problem=$(first_i386_problem "$sim_log")
      fall_back_to_x86_64 "apt cannot install its i386 packages now${problem:+: $problem}"
      # shellcheck disable=SC2046 # one package name a line
      todo=$(missing $(wanted) | tr '\n' ' ')
    fi
    rm -f "$sim_log"
  fi
  if [ -n "$todo" ]; then
    say "installing ${todo% } and what they need"
    # shellcheck disable=SC2046 # one package name a line
    apt_install $(wanted)
  fi
  if ! have_locale; then
    say "generating the $locale_name locale"
    $SUDO sed -i "s/^# *\\($locale_name UTF-8\\)/\\1/" /etc/locale.gen
    grep -q "^$locale_name UTF-8" /etc/locale.gen || echo "$locale_name UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
  if ! have_all; then
    # shellcheck disable=SC2046 # one package name a line
    echo "install-deps: still missing after the install: $(missing $(wanted) | tr '\n' ' ')" >&2
    exit 1
  fi
  say "done in $((SECONDS - start)) s"
}

# Sourced (by its test) it only defines the functions above.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  main "$@"
fi
