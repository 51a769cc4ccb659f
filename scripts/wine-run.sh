#!/usr/bin/env bash
# Runs a Windows program under Wine: CMake's emulator for the cross-built test binaries.
# The test script prepares Wine once per run (scripts/wine-env.sh). Run on its own (a developer
# calling ctest directly), it keeps one prefix and one Xvfb of its own under /tmp, reused by
# later calls so they stay fast.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${QM_WINE:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    export QM_RUN_DIR=${QM_RUN_DIR:-/tmp/quillmark-wine-$(id -u)}
    mkdir -p "$QM_RUN_DIR"
    if [ -z "${DISPLAY:-}" ]; then
        export DISPLAY=:77
        if [ ! -e /tmp/.X11-unix/X77 ]; then
            setsid Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
            for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X77 ] && break; sleep 0.1; done
        fi
    fi
    exec 9>"$QM_RUN_DIR/.lock"
    flock 9
    # shellcheck source=wine-env.sh
    . "$here/wine-env.sh"
    qm_wine_setup
    flock -u 9
fi
exec "$QM_WINE" "$@"
