# Sourced by the run and test scripts: prepares Wine for this run.
#  - picks the loader: the 32-bit Wine for the shipped i686 build where it is installed and
#    works, otherwise the 64-bit Wine with the x86_64 build of the same sources (always so with
#    QM_64BIT_ONLY=1, which makes the scripts act as on a kernel that runs no 32-bit code);
#  - creates one Wine prefix for the run in a temp folder (never in the user's home), or keeps
#    it between runs in the run folder the caller names (QM_RUN_DIR; run.sh uses build/run/);
#  - starts Xvfb when asked to (QM_HEADLESS=1) or when there is no display;
#  - starts a persistent wineserver before anything captures a Wine process's output, so no
#    wineserver inherits a pipe and keeps its reader waiting.
# Everything it starts is stopped by qm_wine_cleanup (installed as an EXIT trap).

qm_host_runs_32bit() {
    [ "${QM_64BIT_ONLY:-0}" != 1 ] && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

qm_wine_setup() {
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ -z "${QM_WINE:-}" ]; then
        if qm_host_runs_32bit; then
            export QM_WINE=/usr/lib/wine/wine QM_WINESERVER=/usr/lib/wine/wineserver32
            export QM_WIN_PRESET=win32 WINEARCH=win32
        else
            export QM_WINE=/usr/lib/wine/wine64 QM_WINESERVER=/usr/lib/wine/wineserver64
            export QM_WIN_PRESET=win64 WINEARCH=win64
        fi
        [ -x "$QM_WINESERVER" ] || QM_WINESERVER=$(command -v wineserver)
    fi
    if [ -z "${QM_RUN_DIR:-}" ]; then
        QM_RUN_DIR=$(mktemp -d /tmp/quillmark-run.XXXXXX)
        export QM_RUN_DIR QM_OWN_RUN_DIR=1
    fi
    export WINEPREFIX=${WINEPREFIX:-$QM_RUN_DIR/wineprefix}

    if [ "${QM_HEADLESS:-0}" = 1 ] || [ -z "${DISPLAY:-}" ]; then
        local n
        for n in $(seq 90 140); do
            [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
            # An X server of another root (a chroot, a private /tmp) shows only its abstract socket.
            grep -q "@/tmp/.X11-unix/X$n\$" /proc/net/unix 2>/dev/null && continue
            Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            QM_XVFB_PID=$!
            export DISPLAY=:$n
            local i
            for i in $(seq 1 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
            break
        done
    fi

    # The marker stays while the prefix is being made, so a run cut short is finished next time.
    local making=$WINEPREFIX/.quillmark-making
    if [ ! -f "$WINEPREFIX/system.reg" ] || [ -f "$making" ]; then
        echo "wine-env: making a new Wine prefix in $WINEPREFIX (this takes a while)"
        local t0=$SECONDS
        mkdir -p "$WINEPREFIX" && : >"$making"
        "$QM_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
        "$QM_WINESERVER" -w >/dev/null 2>&1 || true
        qm_wine_own_folders
        qm_wine_fonts
        qm_wine_unmanaged_test_windows
        # The server those steps started lingers a few seconds; while it runs, no persistent
        # one can start.
        "$QM_WINESERVER" -w >/dev/null 2>&1 || true
        rm -f "$making"
        echo "wine-env: Wine prefix ready after $((SECONDS - t0)) s"
    fi
    # A persistent wineserver may be running for this prefix already; that one serves.
    "$QM_WINESERVER" -p >/dev/null 2>&1 </dev/null || true
    # Wine's own background processes (services, devices, the desktop) start with the first
    # Wine process and live as long as the server, holding the output they inherited. Started
    # here, away from any pipe: started by a test, they would hold its output open, and the
    # test would not end until the server does.
    "$QM_WINE" wineboot >/dev/null 2>&1 </dev/null || true
}

# Wine links the prefix's Desktop, Documents, ... to the user's home. The prefix is this run's
# own, so give it folders of its own: a shortcut the program writes onto "the desktop" then lands
# in the temp prefix, never in the user's home.
qm_wine_own_folders() {
    local f
    for f in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$f" ]; then
            rm -f "$f" && mkdir -p "$f"
        fi
    done
}

# The program asks for the Japanese system fonts by their Windows names; map them to the
# Japanese fonts the distribution ships so its captions render.
qm_wine_fonts() {
    qm_wine_regedit4 fonts '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"MS Gothic"="IPAGothic"' '"MS UI Gothic"="IPAGothic"' '"MS PGothic"="IPAPGothic"' \
        '"MS Mincho"="IPAMincho"'
    # The full-width face name, written in the registry's own UTF-16 file format.
    local reg16="$QM_RUN_DIR/fonts-jp.reg"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ ゴシック"="IPAGothic"\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n\r\n' |
        iconv -f UTF-8 -t UTF-16 > "$reg16"
    "$QM_WINE" regedit /S "$reg16" >/dev/null 2>&1 </dev/null || true
}

# Xvfb runs no window manager, and Wine waits up to 2 s for one to withdraw each managed
# top-level window it hides: every about window the in-process tests close cost 2 s. Their
# windows stay unmanaged (placed by Wine itself); the program's own exe, which the journey and
# run.sh start, keeps managed windows as on a desktop.
qm_wine_unmanaged_test_windows() {
    qm_wine_regedit4 test-windows \
        '[HKEY_CURRENT_USER\Software\Wine\AppDefaults\win_tests.exe\X11 Driver]' '"Managed"="N"'
}

# Imports registry lines, ASCII in the REGEDIT4 format, into the prefix:
#   qm_wine_regedit4 NAME LINE...   (the file is written to $QM_RUN_DIR/NAME.reg)
qm_wine_regedit4() {
    local reg="$QM_RUN_DIR/$1.reg"
    shift
    printf '%s\r\n' 'REGEDIT4' '' "$@" '' > "$reg"
    "$QM_WINE" regedit /S "$reg" >/dev/null 2>&1 </dev/null || true
}

qm_wine_cleanup() {
    if [ -n "${QM_WINESERVER:-}" ] && [ -n "${WINEPREFIX:-}" ]; then
        "$QM_WINESERVER" -k >/dev/null 2>&1 || true
    fi
    [ -n "${QM_XVFB_PID:-}" ] && kill "$QM_XVFB_PID" 2>/dev/null
    if [ "${QM_OWN_RUN_DIR:-0}" = 1 ] && [ -n "${QM_RUN_DIR:-}" ] && [ "${QM_KEEP_RUN_DIR:-0}" != 1 ]; then
        rm -rf "$QM_RUN_DIR"
    fi
    return 0
}
