#!/bin/sh
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows executable under Wine with a prefix kept inside the build tree. The prefix
# is created once (wineboot --init) under a lock, since CTest may start several tests at once.
set -eu
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=wine
[ -x /usr/lib/wine/wine64 ] && WINE=/usr/lib/wine/wine64
mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.norvessa-ready" ]; then
        "$WINE" wineboot --init >/dev/null 2>&1 || true
        wineserver -w
        touch "$WINEPREFIX/.norvessa-ready"
    fi
) 9>"$WINEPREFIX.lock"
exec "$WINE" "$@"
