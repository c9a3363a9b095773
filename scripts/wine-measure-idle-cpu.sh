#!/bin/sh
# Measures the Windows calibration window's CPU use while it waits for a touch, under Wine:
# norvessa_idle_cpu opens a 9-point calibration with the simulated controller and reads its
# process's CPU times over 5 s of waiting, prints them, and fails above 20% of one core. Runs
# on the current display, or a private Xvfb when none is set; a failure shows the end of its
# stderr (and Wine's).
# Usage: scripts/wine-measure-idle-cpu.sh [BUILD_DIR]   (default: build/windows)
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/stderr.sh
root=$PWD
build=${1:-build/windows}
cmake --build "$build" --target norvessa_idle_cpu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
NORVESSA_WINEPREFIX="$root/$build/wineprefix" \
    scripts/wine-ui.sh "$root/$build/tests/win32/norvessa_idle_cpu.exe" --seconds=5 --limit=20 \
    2>"$work/stderr" || status=$?
if [ "$status" != 0 ]; then
    echo "norvessa_idle_cpu.exe ended with exit code $status" >&2
    norvessa_stderr_tail "$work/stderr" "norvessa_idle_cpu.exe under Wine"
fi
exit "$status"
