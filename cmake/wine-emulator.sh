#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest (CMAKE_CROSSCOMPILING_EMULATOR).
#
# - The Wine prefix lives in the build tree (found from the program's path), is created once,
#   non-interactively, and uses Wine's null display driver: windows, painting, GDI read-back and
#   SendInput work without an X server.
# - The Wine server is started detached from our output descriptors and primed once; otherwise
#   CTest waits for the server's inherited pipes after every test.
set -euo pipefail

program=${1:?usage: wine-emulator.sh PROGRAM [ARGS...]}
shift

wine_loader=/usr/lib/wine/wine64
[ -x "$wine_loader" ] || wine_loader=$(command -v wine64 || command -v wine)

# Find the build tree: the nearest folder above the program holding CMakeCache.txt.
find_build_dir() {
    local dir
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != "/" ]; do
        [ -f "$dir/CMakeCache.txt" ] && { echo "$dir"; return; }
        dir=$(dirname "$dir")
    done
    pwd
}
build_dir=${KESTRUNE_WINE_BUILD_DIR:-$(find_build_dir "$program")}

export WINEPREFIX="${KESTRUNE_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY

# Create the prefix once; parallel tests wait on the lock.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.kestrune-ready" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p30 </dev/null >/dev/null 2>&1
    "$wine_loader" wineboot -i </dev/null >/dev/null 2>&1 || true
    "$wine_loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        </dev/null >/dev/null 2>&1
    "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1
    # Stop this first server so that the next start reads the display setting.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 100); do
        wineserver -p30 </dev/null >/dev/null 2>&1 && break
        sleep 0.1
    done
    "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.kestrune-ready"
fi

# Keep one detached server running for the whole test run; when this call had to start it,
# prime it so Wine's service processes also start detached from CTest's pipes.
if wineserver -p30 </dev/null >/dev/null 2>&1; then
    "$wine_loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
flock -u 9
exec 9>&-

exec "$wine_loader" "$program" "$@"
