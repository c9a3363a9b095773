#!/bin/sh
# Runs a Windows program of the build under Wine with a display: the one set in DISPLAY, or
# a private Xvfb when none is set. The Wine prefix gets the CJK font mapping first.
# Usage: scripts/wine-ui.sh [--desktop WIDTHxHEIGHT] PROGRAM [ARGS...]
#   --desktop runs the program in a Wine virtual desktop of that size, where Wine draws the
#   window frames itself (no window manager needed); the program's exit code is then lost.
#   NORVESSA_WINEPREFIX overrides the prefix (default: build/windows/wineprefix).
set -eu
NORVESSA_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$NORVESSA_ROOT/scripts/lib/xvfb.sh"
. "$NORVESSA_ROOT/scripts/lib/wine-fonts.sh"

desktop=""
if [ "${1:-}" = --desktop ]; then
    desktop=$2
    shift 2
fi
[ $# -ge 1 ] || { echo "usage: $0 [--desktop WxH] PROGRAM [ARGS...]" >&2; exit 2; }

prefix=${NORVESSA_WINEPREFIX:-$NORVESSA_ROOT/build/windows/wineprefix}
program=$1
shift
# Wine reaches the Unix file system through drive Z:.
case "$program" in
    /*) program="Z:$(printf '%s' "$program" | tr / '\\')" ;;
esac

norvessa_start_xvfb
norvessa_wine_cjk_fonts "$prefix"
status=0
if [ -n "$desktop" ]; then
    "$NORVESSA_ROOT/cmake/wine-run.sh" "$prefix" explorer "/desktop=Norvessa,$desktop" \
        "$program" "$@" || status=$?
else
    "$NORVESSA_ROOT/cmake/wine-run.sh" "$prefix" "$program" "$@" || status=$?
fi
# A private Xvfb goes away when this script ends: let the prefix's Wine processes end first.
if [ -n "${NORVESSA_XVFB_PID:-}" ]; then
    WINEPREFIX="$prefix" wineserver -w
fi
exit "$status"
