#!/usr/bin/env bash
# The README's promise, checked from nothing: on a fresh Debian 12 machine its two commands do
# all the set-up themselves. Builds a minimal Debian 12 root (mmdebstrap, variant minbase, plus
# git, ca-certificates and curl) from the apt sources this machine is configured with, brings it
# up to date from every suite they name, as a fresh machine is, clones the commit under test into
# it and runs the README's commands there, exactly as written, as root, with no DISPLAY and no
# LANG:
#   1. the install step both commands begin with (scripts/install-deps.sh), with the network;
#   2. each README command, in a network namespace of its own: the virtual X server it starts
#      then cannot collide with another X server on this machine (abstract sockets belong to the
#      network namespace, not to the file system the root brings);
#   3. the first command once more, to time a start on a machine that ran it before.
# A failure names its step; the summary says which build of the program ran (the i686 one under
# 32-bit Wine, or the x86_64 one under 64-bit Wine) and why. "NOT RUN" (exit status 0) stands
# only for a mirror so broken that nothing can be installed: lists other than i386 ones out of
# step with its release file. The root, its mounts and whatever still runs inside it are removed
# on every way out. Needs root (mmdebstrap, chroot, mounts) and about 6 GB in the work folder.
#
#   scripts/fresh-machine-check.sh
#
# Environment: QM_FRESH_DIR  where the temporary root goes (default /var/tmp)
#              QM_FRESH_KEEP=1  keep the root after a failure, for a look inside
#              QM_64BIT_ONLY=1  passed on to the commands: they act as on a kernel that runs no
#                               32-bit code
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")
suite=bookworm

say() { printf 'fresh-machine-check: %s\n' "$*"; }
phase() { printf '\n== fresh-machine-check: %s ==\n' "$*"; }

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo -- "$self" "$@"
    fi
    echo "fresh-machine-check: needs root (it builds a Debian root and mounts into it); as root, run: $self" >&2
    exit 1
fi

step="start"
work=
root=
child=
finish() {
    local rc=$?
    set +e
    trap - EXIT INT TERM HUP
    if [ "$rc" -ne 0 ]; then
        echo >&2
        echo "fresh-machine-check: FAILED at step: $step (exit status $rc)" >&2
    fi
    if [ -n "$child" ] && kill -TERM "$child" 2>/dev/null; then
        say "stopping the step that was running"
        # mmdebstrap finishes the step it is in (unpacking, say) before it ends: the root is
        # removed only after that, or the unpacking would go on into a half-removed tree.
        for _ in $(seq 1 1200); do kill -0 "$child" 2>/dev/null || break; sleep 0.1; done
    fi
    if [ -n "$root" ]; then
        stop_root_processes
        if [ "$rc" -ne 0 ] && [ "${QM_FRESH_KEEP:-0}" = 1 ]; then
            echo "fresh-machine-check: kept $root (mounts included) for a look; remove with: umount -R $root; rm -rf $work" >&2
            exit "$rc"
        fi
        unmount_all
    fi
    if [ -n "$work" ]; then
        if grep -q " ${work}[/ ]" /proc/self/mountinfo; then
            echo "fresh-machine-check: something is still mounted under $work; left it in place" >&2
            [ "$rc" -ne 0 ] || rc=1
        else
            rm -rf --one-file-system "$work"
        fi
    fi
    exit "$rc"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Every process whose root directory is the fresh root was started by this check (an X server,
# a wineserver left by a failing step): stop them by id so the mounts can go.
stop_root_processes() {
    local p r pids=()
    for p in /proc/[0-9]*; do
        r=$(readlink "$p/root" 2>/dev/null) || continue
        case $r in "$root" | "$root"/*) pids+=("${p#/proc/}") ;; esac
    done
    [ "${#pids[@]}" -eq 0 ] && return 0
    say "stopping ${#pids[@]} processes still running in the fresh root"
    kill -KILL "${pids[@]}" 2>/dev/null
    for _ in $(seq 1 50); do
        local alive=0 pid
        for pid in "${pids[@]}"; do [ -e "/proc/$pid" ] && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.1
    done
}

# Unmounts everything under the work folder, deepest first (mmdebstrap's own mounts too, should
# it have been cut short); a mount still busy is detached lazily.
unmount_all() {
    local m
    for _ in 1 2 3; do
        local mounts=()
        while IFS= read -r m; do mounts+=("$m"); done < <(
            awk -v w="$work" '{ gsub(/\\040/, " ", $5) } $5 == w || index($5, w "/") == 1 { print $5 }' \
                /proc/self/mountinfo | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-)
        [ "${#mounts[@]}" -eq 0 ] && return 0
        for m in "${mounts[@]}"; do
            umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
        done
    done
}

elapsed() { printf '%2d:%02d' $(($1 / 60)) $(($1 % 60)); }

# Runs a long step in the background and waits for it, so that a signal to this script is
# handled (and the root cleaned up) at once rather than after the step ends.
waited() {
    local rc=0
    "$@" &
    child=$!
    wait "$child" || rc=$?
    child=
    return "$rc"
}

# --- what the check itself needs ------------------------------------------------------------------
step="installing what the check needs on this machine (mmdebstrap, git)"
host_pkgs=(mmdebstrap git)
host_missing=()
for p in "${host_pkgs[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || host_missing+=("$p")
done
if [ "${#host_missing[@]}" -gt 0 ]; then
    say "installing ${host_missing[*]} on this machine"
    DEBIAN_FRONTEND=noninteractive apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${host_missing[@]}"
fi

step="reading the commit under test and the README's commands"
commit=$(git -c safe.directory='*' -C "$repo" rev-parse HEAD)
if [ -n "$(git -c safe.directory='*' -C "$repo" status --porcelain --untracked-files=no)" ]; then
    say "note: $repo has uncommitted changes; the check clones the commit $commit without them"
fi
# The commands are read from the README's sh block, so the check runs what a reader is told to.
commands=()
while IFS= read -r c; do commands+=("$c"); done < <(
    git -c safe.directory='*' -C "$repo" show "$commit:README.md" |
        awk '/^```sh/ { f = 1; next } /^```/ { f = 0 } f && /^\.\/scripts\// { sub(/[ \t]*#.*$/, ""); print }')
[ "${#commands[@]}" -ge 2 ] || { echo "the README's sh block names no ./scripts/ commands" >&2; exit 1; }
say "commit $commit; the README's commands: $(printf '%s; ' "${commands[@]}")"

# --- the apt sources this machine uses ---------------------------------------------------------------
step="reading this machine's apt sources from /etc/apt"
sources=()
if [ -f /etc/apt/sources.list ] && grep -qE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list; then
    sources+=(/etc/apt/sources.list)
fi
for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sources+=("$f")
done
[ "${#sources[@]}" -gt 0 ] || { echo "no apt sources configured in /etc/apt" >&2; exit 1; }
say "apt sources: ${sources[*]}"
# A proxy this machine's apt goes through is needed inside the fresh root too.
aptopts=()
while IFS= read -r line; do aptopts+=(--aptopt "$line"); done < <(
    apt-config dump | grep -E '^Acquire::(http|https|ftp)::Proxy ' || true)
passenv=()
for v in http_proxy https_proxy ftp_proxy no_proxy QM_64BIT_ONLY; do
    [ -n "${!v:-}" ] && passenv+=("$v=${!v}")
done

# --- the fresh root -------------------------------------------------------------------------------
work=$(mktemp -d "${QM_FRESH_DIR:-/var/tmp}/quillmark-fresh.XXXXXX")
chmod 755 "$work"  # apt downloads as the user _apt, who must reach the root's folders
root=$work/root
t_all=$SECONDS
phase "building a minimal Debian 12 root in $root (mmdebstrap, minbase + git, ca-certificates, curl)"
step="building the fresh root with mmdebstrap"
t=$SECONDS
waited mmdebstrap --mode=root --variant=minbase --include=git,ca-certificates,curl "${aptopts[@]}" \
    "$suite" "$root" "${sources[@]}"
t_root=$((SECONDS - t))

step="mounting /proc, /sys, /dev and a fresh /dev/shm into the root"
mkdir -p "$root"
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
[ -s "$root/etc/resolv.conf" ] || cp /etc/resolv.conf "$root/etc/resolv.conf"

step="cloning commit $commit into the root"
git -c safe.directory='*' clone --quiet --no-checkout --no-hardlinks "$repo" "$root/root/quillmark"
git -C "$root/root/quillmark" -c advice.detachedHead=false checkout --quiet --detach "$commit"

# in_root NET COMMAND: COMMAND in the clone, as a new root login would run it (no DISPLAY, no
# LANG); NET=own gives it a network namespace of its own, with only a loopback device.
in_root() {
    local net=$1 command=$2 pre=()
    [ "$net" = own ] && pre=(unshare --net --)
    "${pre[@]}" chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
        TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        "${passenv[@]}" /bin/bash -c "cd /root/quillmark && $command"
}

# A mirror that serves lists out of step with its release file breaks installs from those lists
# until it catches up. Only i386 lists so broken leave the README's commands a way (the x86_64
# build); any other such list means no commit can pass or fail the check now: that is said
# loudly, and the check stops without failing.
not_run_if_mirror_broken() {
    if grep -E '^[[:space:]]*E: Failed to fetch .*(Mirror sync in progress\?|Hash Sum mismatch)' "$1" |
        grep -vq '/binary-i386/'; then
        echo >&2
        echo "fresh-machine-check: NOT RUN: the package mirror serves lists out of step with its" \
            "release file (above), so no fresh install can succeed until it catches up" >&2
        exit 0
    fi
}

phase "bringing the root up to date from every configured suite (apt-get update, upgrade)"
step="apt-get update and upgrade in the fresh root"
t=$SECONDS
upgrade_rc=0
# shellcheck disable=SC2016 # expanded by the root's shell
waited in_root host '{ apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get upgrade -y -q; } 2>&1 |
    tee /tmp/upgrade.log; exit ${PIPESTATUS[0]}' || upgrade_rc=$?
if [ "$upgrade_rc" -ne 0 ]; then
    not_run_if_mirror_broken "$root/tmp/upgrade.log"
    exit "$upgrade_rc"
fi
t_upgrade=$((SECONDS - t))

phase "the install step both commands begin with: ./scripts/install-deps.sh (with the network)"
step="./scripts/install-deps.sh in the fresh root"
t=$SECONDS
install_rc=0
# shellcheck disable=SC2016 # expanded by the root's shell
waited in_root host './scripts/install-deps.sh 2>&1 | tee /tmp/install-deps.log; exit ${PIPESTATUS[0]}' ||
    install_rc=$?
if [ "$install_rc" -ne 0 ]; then
    not_run_if_mirror_broken "$root/tmp/install-deps.log"
    exit "$install_rc"
fi
t_install=$((SECONDS - t))

times=()
n=0
for c in "${commands[@]}"; do
    phase "README command: $c (own network namespace)"
    step="README command: $c"
    t=$SECONDS
    n=$((n + 1))
    waited in_root own "{ $c; } 2>&1 | tee /tmp/command-$n.log; exit \${PIPESTATUS[0]}"
    times+=("$(elapsed $((SECONDS - t)))  $c")
done
# Which build ran: the folder of the exe run.sh built and started, the preset whose tests test.sh
# ran, and install-deps' own words on the choice.
builds=$(cat "$root"/tmp/command-*.log | sed -nE 's#^Built .*/build/(win32|win64)/Quillmark\.exe$#\1#p; s#^== (win32|win64): Windows tests .*#\1#p' | sort -u | tr '\n' ' ')
case $builds in
    "win32 ") build_ran="the i686 build (build/win32) under 32-bit Wine" ;;
    "win64 ") build_ran="the x86_64 build (build/win64) under 64-bit Wine; the i686 exe was built too" ;;
    *) echo "the README's commands did not say which build they ran (saw: ${builds:-none})" >&2; exit 1 ;;
esac
build_why=$(grep -m1 -E '^install-deps: .*(x86_64|64-bit Wine)' "$root/tmp/install-deps.log" || true)

phase "README command again, on a machine that ran it before: ${commands[0]}"
step="README command, second run: ${commands[0]}"
t=$(date +%s%N)
start_after=
last=
while IFS= read -r line; do
    last=$line
    [[ $line == "exit status "* ]] && continue
    printf '%s\n' "$line"
    if [ -z "$start_after" ] && [[ $line == "Quillmark's window is up"* ]]; then
        start_after=$((($(date +%s%N) - t) / 1000000))
    fi
done < <(
    rc=0
    in_root own "${commands[0]}" 2>&1 || rc=$?
    echo "exit status $rc"
)
[ "$last" = "exit status 0" ] || exit 1
[ -n "$start_after" ] || { echo "the second run did not say that the window is up" >&2; exit 1; }

step="summary"
phase "passed: the README's commands work on a fresh Debian 12 root"
echo "  $(elapsed "$t_root")  building the minimal root (mmdebstrap)"
echo "  $(elapsed "$t_upgrade")  bringing it up to date (apt-get update, upgrade)"
echo "  $(elapsed "$t_install")  ./scripts/install-deps.sh (packages, locale)"
for line in "${times[@]}"; do echo "  $line"; done
printf '  %d.%01d s  until the second run of %s showed the main window\n' \
    $((start_after / 1000)) $((start_after % 1000 / 100)) "${commands[0]}"
echo "  $(elapsed $((SECONDS - t_all)))  in all"
echo "  build that ran: $build_ran${QM_64BIT_ONLY:+ (QM_64BIT_ONLY=$QM_64BIT_ONLY)}"
[ -z "$build_why" ] || echo "  $build_why"
