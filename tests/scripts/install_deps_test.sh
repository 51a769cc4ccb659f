#!/usr/bin/env bash
# install-deps.sh's choice between 32-bit Wine and the x86_64 build, fed canned apt output: the
# script's functions run against stand-ins for apt-get, dpkg, dpkg-query, locale and sudo that
# print recorded output and note every call, so no package is installed and no mirror asked.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR/../../scripts source=install-deps.sh
. "$here/../../scripts/install-deps.sh"

t=$(mktemp -d /tmp/quillmark-deps-test.XXXXXX)
trap 'rm -rf "$t"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_kind() { # LOG-TEXT EXPECTED
    printf '%s\n' "$1" >"$t/update.log"
    local got
    got=$(update_failure_kind "$t/update.log")
    [ "$got" = "$2" ] || fail "update_failure_kind gave '$got', not '$2', for: $1"
}

# --- what an apt-get update's output says went wrong ------------------------------------------
i386_stale='Err:4 http://deb.debian.org/debian-security bookworm-security/main i386 Packages
  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]
E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]
   Hashes of expected file:
    - Filesize:376004 [weak]
E: Some index files failed to download. They have been ignored, or old ones used instead.'
expect_kind "$i386_stale" i386
expect_kind "  $(sed 's/^/  /' <<<"$i386_stale")" i386  # as install-deps shows it, indented
expect_kind 'Hit:1 http://deb.debian.org/debian bookworm InRelease
Reading package lists...' none
expect_kind "$i386_stale
E: Failed to fetch http://deb.debian.org/debian/dists/bookworm/main/binary-amd64/by-hash/SHA256/5aa5  Hash Sum mismatch" fetch
expect_kind 'E: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Could not resolve host
E: Some index files failed to download. They have been ignored, or old ones used instead.' fetch
expect_kind "$i386_stale
E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)" other

# --- the whole run, against stand-ins ---------------------------------------------------------
fake=$t/bin
mkdir -p "$fake"
cat >"$fake/apt-get" <<'SH'
#!/bin/bash
echo "apt-get $*" >>"$T/calls"
case " $* " in
  *" update "*) cat "$T/update.log"; exit "$(cat "$T/update.rc")" ;;
  *" -s "*)
    if [[ " $* " == *:i386* ]] && [ -f "$T/sim32.fails" ]; then cat "$T/sim32.fails"; exit 100; fi ;;
  *" --print-uris "*) ;;
  *" -y "*) for a in "$@"; do [[ $a == -* || $a == install || $a == *=* ]] || echo "$a" >>"$T/installed"; done ;;
esac
exit 0
SH
cat >"$fake/dpkg" <<'SH'
#!/bin/bash
echo "dpkg $*" >>"$T/calls"
case $1 in
  --print-foreign-architectures) cat "$T/archs" ;;
  --add-architecture) echo "$2" >>"$T/archs" ;;
  --remove-architecture) sed -i "/^$2\$/d" "$T/archs" ;;
esac
SH
cat >"$fake/dpkg-query" <<'SH'
#!/bin/bash
grep -qxF -- "${!#}" "$T/installed" && echo 'install ok installed'
SH
printf '#!/bin/sh\necho ja_JP.utf8\n' >"$fake/locale"
printf '#!/bin/sh\nexec "$@"\n' >"$fake/sudo"
chmod +x "$fake"/*
export T=$t PATH=$fake:$PATH
sleep() { echo "sleep $*" >>"$t/calls"; }
keep64_note=$t/keep64
kernel32=1
kernel_runs_i386() { [ "$kernel32" = 1 ]; }

# A machine with none of the packages; an apt-get update that succeeds.
fresh_machine() {
    : >"$t/installed"
    : >"$t/archs"
    rm -f "$t/sim32.fails" "$keep64_note"
    echo 'Reading package lists...' >"$t/update.log"
    echo 0 >"$t/update.rc"
}
run() { # ARGS...: one run of install-deps; its output in $t/out, the calls it made in $t/calls
    : >"$t/calls"
    (main "$@") >"$t/out" 2>&1 || { fail "install-deps $* failed:"; cat "$t/out" >&2; }
}
has() { grep -q -- "$2" "$t/$1" || fail "$3 (no '$2' in $1)"; }
lacks() { ! grep -q -- "$2" "$t/$1" || fail "$3 ('$2' in $1)"; }

# A kernel that runs no 32-bit code, and the switch that acts as one: i386 is never touched.
for how in kernel switch; do
    fresh_machine
    kernel32=1
    if [ "$how" = kernel ]; then kernel32=0; else export QM_64BIT_ONLY=1; fi
    run
    unset QM_64BIT_ONLY
    lacks calls 'add-architecture' "$how: i386 added"
    lacks installed ':i386' "$how: an i386 package installed"
    has installed '^wine64$' "$how: 64-bit Wine not installed"
    has installed '^g++-mingw-w64-x86-64$' "$how: no x86_64 tool chain"
    has out 'x86_64 build under 64-bit Wine' "$how: no line saying which build is used"
done

# A kernel that runs 32-bit code and a mirror whose i386 list is out of step: no waiting, the
# x86_64 packages instead, the i386 architecture this run added taken out again, and a second
# run that keeps the choice without asking the mirror.
fresh_machine
printf '%s\n' "$i386_stale" >"$t/update.log"
echo 100 >"$t/update.rc"
run
lacks calls '^sleep' "stale i386 list: waited for the mirror"
lacks installed ':i386' "stale i386 list: an i386 package installed"
has installed '^wine64$' "stale i386 list: 64-bit Wine not installed"
has out "the 32-bit Wine cannot be installed now (the mirror's i386 package list" "stale i386 list: no reason given"
[ ! -s "$t/archs" ] || fail "stale i386 list: the i386 architecture this run added stays"

grep '^apt-get install -y' "$t/calls" | grep -vq -- '--no-remove' && fail "an install may remove packages"
run
[ ! -s "$t/calls" ] || fail "second run after the fallback asked apt again: $(cat "$t/calls")"

# --32bit asks for the 32-bit Wine again: i386 is added, and, the mirror fine now, installed.
echo 'Reading package lists...' >"$t/update.log"
echo 0 >"$t/update.rc"
run --32bit
has installed '^wine32:i386$' "--32bit: 32-bit Wine not installed"
[ ! -e "$keep64_note" ] || fail "--32bit: the note keeping the x86_64 build stays"

# Lists fine, but an i386 library is out of step with its amd64 twin: apt cannot resolve the
# 32-bit set while the x86_64 set resolves.
fresh_machine
echo i386 >"$t/archs"
cat >"$t/sim32.fails" <<'APT'
The following packages have unmet dependencies:
 libcups2 : Depends: libavahi-client3 (>= 0.6.16) but it is not going to be installed
 libcurl4:i386 : Depends: libbrotli1:i386 (>= 0.6.0) but it is not going to be installed
E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages.
APT
run
lacks installed ':i386' "unmet i386 dependencies: an i386 package installed"
has installed '^wine64$' "unmet i386 dependencies: 64-bit Wine not installed"
has out 'libcurl4:i386 : Depends: libbrotli1:i386' "unmet i386 dependencies: apt's reason not shown"
has archs '^i386$' "unmet i386 dependencies: the i386 architecture the user had was removed"

# Everything fine: the 32-bit Wine, and no x86_64 one; but both tool chains, since test.sh
# checks the imports of both builds whichever Wine runs the tests.
fresh_machine
run
has installed '^wine32:i386$' "all fine: 32-bit Wine not installed"
lacks installed '^wine64$' "all fine: 64-bit Wine installed as well"
has installed '^g++-mingw-w64-x86-64$' "all fine: no x86_64 tool chain for the import check"
has installed '^g++-mingw-w64-i686$' "all fine: no i686 tool chain"

if [ "$failures" -gt 0 ]; then
    echo "install_deps_test: $failures failures" >&2
    exit 1
fi
echo "install_deps_test: passed"
