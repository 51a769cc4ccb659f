#!/usr/bin/env bash
# Fails when an executable imports a function that Windows XP's system DLLs do not export:
# Windows refuses to start such a program ("entry point not found") before any of its code runs,
# so a function newer than XP may only be looked up at run time. The functions allowed are those
# of scripts/xp-imports.txt, each checked against what XP exports; a new import is reviewed and
# added there, or replaced by a run-time lookup.
#
#   scripts/check-imports.sh build/win32/Quillmark.exe [build/win64/Quillmark.exe ...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
allowed_file=$here/xp-imports.txt

[ $# -gt 0 ] || { echo "usage: $0 EXE..." >&2; exit 2; }

# "dll function" pairs of the list, the DLL in lower case, comments and blank lines left out.
allowed=$(sed -e 's/#.*//' "$allowed_file" | awk 'NF == 2 { print tolower($1) " " $2 }' | sort -u)

# The imports of one executable as "dll function" lines (an import by ordinal as "dll #N").
imports_of() {
    local exe=$1 dump
    dump=$(i686-w64-mingw32-objdump -p "$exe" 2>/dev/null) ||
        dump=$(x86_64-w64-mingw32-objdump -p "$exe") || return 1
    grep -q 'The Import Tables' <<<"$dump" || { echo "$exe: no import table found" >&2; return 1; }
    awk '
        /^The Import Tables/ { inside = 1; next }
        inside && /^The Export Tables|^The Function Table|^PE File Base Relocations|^The .rsrc Resource Directory/ { inside = 0 }
        !inside { next }
        /DLL Name:/ { dll = tolower($3); next }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+$/ { print dll " " $3; next }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ *<none>$/ { print dll " #" $2; next }
    ' <<<"$dump" | sort -u
}

status=0
for exe in "$@"; do
    if [ ! -f "$exe" ]; then
        echo "check-imports: $exe: no such file" >&2
        status=1
        continue
    fi
    if ! found=$(imports_of "$exe"); then
        status=1
        continue
    fi
    if [ -z "$found" ]; then
        echo "check-imports: $exe: could not read any import" >&2
        status=1
        continue
    fi
    unknown=$(comm -23 <(printf '%s\n' "$found") <(printf '%s\n' "$allowed"))
    if [ -n "$unknown" ]; then
        echo "check-imports: $exe imports what Windows XP lacks or nobody has reviewed:" >&2
        sed 's/^/    /' <<<"$unknown" >&2
        status=1
    else
        echo "check-imports: $exe: $(wc -l <<<"$found") imports, all on Windows XP"
    fi
done
exit "$status"
