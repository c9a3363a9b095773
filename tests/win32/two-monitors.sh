#!/bin/sh
# Runs a Windows program under Wine on a display with two monitors side by side: 1280 x 1024
# at the origin and 1024 x 768 to its right. Xvfb cannot place its screens (its Xinerama heads
# all start at 0,0), so a nested Xephyr with two screens and Xinerama provides them, on the
# display set in DISPLAY or on a private Xvfb. RandR is left out: Wine prefers it to Xinerama,
# and Xephyr's RandR shows one output. Wine keeps the monitor layout per prefix, so the
# program gets a prefix of its own, never the one other tests share. When the program fails,
# the end of its stderr (and Wine's) is shown.
# Usage: two-monitors.sh PREFIX PROGRAM [ARGS...]   (exit code 77 when Xephyr is missing)
set -eu
NORVESSA_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$NORVESSA_ROOT/scripts/lib/xvfb.sh"
. "$NORVESSA_ROOT/scripts/lib/stderr.sh"

[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$1
shift
if ! command -v Xephyr >/dev/null; then
    echo "Xephyr is not installed (xserver-xephyr): two-monitor checks skipped."
    exit 77
fi

norvessa_start_xvfb
work=$(mktemp -d)
mkfifo "$work/display"
Xephyr -displayfd 9 -screen 1280x1024 -screen 1024x768 +xinerama -extension RANDR \
    -nolisten tcp 9>"$work/display" >"$work/xephyr.log" 2>&1 &
xephyr=$!
trap 'kill "$xephyr" 2>/dev/null || true; kill "${NORVESSA_XVFB_PID:-}" 2>/dev/null || true
      rm -rf "$work"' EXIT
display_number=
read -r display_number <"$work/display" || true
[ -n "$display_number" ] || {
    echo "Xephyr did not start" >&2
    norvessa_stderr_tail "$work/xephyr.log" Xephyr
    exit 1
}
export DISPLAY=":$display_number"

status=0
"$NORVESSA_ROOT/cmake/wine-run.sh" "$prefix" "$@" 2>"$work/stderr" || status=$?
# The prefix's Wine processes hold the display: let them end before it goes away.
WINEPREFIX="$prefix" timeout 30 wineserver -w || WINEPREFIX="$prefix" wineserver -k || true
if [ "$status" != 0 ] && [ "$status" != 77 ]; then
    echo "$1 under Wine ended with exit code $status" >&2
    norvessa_stderr_tail "$work/stderr" "$(basename "$1") under Wine"
fi
exit "$status"
