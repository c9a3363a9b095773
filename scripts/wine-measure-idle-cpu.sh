#!/bin/sh
# Measures the Windows calibration window's CPU use while it waits for a touch, under Wine:
# norvessa_idle_cpu opens a 9-point calibration with the simulated controller and reads its
# process's CPU times over 5 s of waiting, prints them, and fails above 20% of one core. Runs
# on the current display, or a private Xvfb when none is set.
# Usage: scripts/wine-measure-idle-cpu.sh [BUILD_DIR]   (default: build/windows)
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/windows}
cmake --build "$build" --target norvessa_idle_cpu
NORVESSA_WINEPREFIX="$root/$build/wineprefix" \
    scripts/wine-ui.sh "$root/$build/tests/win32/norvessa_idle_cpu.exe" --seconds=5 --limit=20
