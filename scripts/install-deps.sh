#!/usr/bin/env bash
# Installs what building, running and testing Quillmark needs on Debian 12.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

pkgs=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  g++-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 xvfb xauth xdotool x11-utils imagemagick
  locales ffmpeg libimage-exiftool-perl libbenchmark-dev libx11-dev
  file fonts-ipafont-gothic
)
# Where the kernel runs no 32-bit code, wine32 cannot start; the Windows tests then run the x86_64
# build of the same sources under the 64-bit Wine.
pkgs64=(wine64 g++-mingw-w64-x86-64 mingw-w64-x86-64-dev)
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

installed() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || return 1
  done
}

have_all() {
  dpkg --print-foreign-architectures | grep -qx i386 || return 1
  installed "${pkgs[@]}" || return 1
  runs_32bit || installed "${pkgs64[@]}" || return 1
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || return 1
  return 0
}

if have_all; then
  exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing build, Wine and test packages (first run only)..."
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
if ! runs_32bit; then
  $SUDO apt-get install -y -qq --no-install-recommends "${pkgs64[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
have_all || { echo "install-deps: some packages are still missing" >&2; exit 1; }
echo "install-deps: done"
