#!/usr/bin/env bash
# Runs a Windows program under Wine: CMake's emulator for the cross-built test binaries.
# The test script prepares Wine once per run (scripts/wine-env.sh); run on its own, this keeps
# a prefix of its own under /tmp so repeated calls stay fast.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${QM_WINE:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    export QM_RUN_DIR=${QM_RUN_DIR:-/tmp/quillmark-wine-$(id -u)}
    mkdir -p "$QM_RUN_DIR"
    # shellcheck source=wine-env.sh
    . "$here/wine-env.sh"
    qm_wine_setup
fi
exec "$QM_WINE" "$@"
