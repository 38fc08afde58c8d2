#!/usr/bin/env bash
# Checks a built plug-in library as the system's loader sees it: the entry symbols it exports
# (exactly the expected ones) and, for Windows DLLs, that it imports only system DLLs (the C and
# C++ runtimes are linked in).
# usage: check-exports.sh LIBRARY EXPECTED_EXPORT...
set -euo pipefail
library=${1:?library}
shift
expected=$(printf '%s\n' "$@" | sort)

case "$library" in
*.dll)
    dump=$(x86_64-w64-mingw32-objdump -p "$library")
    exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {table = 1; next}
                   table && /^[ \t]*\[/ {print $NF; next}
                   table && !/^[ \t]*\[/ {table = 0}' <<<"$dump" | sort -u)
    imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u)
    allowed='^(kernel32|user32|gdi32|ole32|oleaut32|shell32|msvcrt|advapi32|comdlg32|uuid|msimg32|ws2_32|bcrypt|api-ms-win-[a-z0-9-]+)\.dll$'
    bad=$(grep -v -E "$allowed" <<<"$imports" || true)
    if [ -n "$bad" ]; then
        echo "$library imports non-system DLLs:"
        echo "$bad"
        exit 1
    fi
    echo "$library imports: $(echo $imports)"
    ;;
*)
    exports=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwiI]$/ {print $3}' | sort -u)
    ;;
esac

if [ "$exports" != "$expected" ]; then
    echo "$library exports:"
    echo "$exports"
    echo "expected:"
    echo "$expected"
    exit 1
fi
echo "$library exports: $(echo $exports)"
