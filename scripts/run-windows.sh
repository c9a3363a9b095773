#!/bin/sh
# Installs what is missing, builds the Windows application and starts its demo, norvessa-demo,
# under Wine: the application with the simulated controller current, so every button works
# without hardware (press the left mouse button on each cross, move it a little, release). On
# the display in DISPLAY, or, when none is set, under a private Xvfb, where the demo runs a
# 9-point calibration by itself, screenshots of the main window and the calibration window are
# saved to build/ and the demo is closed again. (scripts/run.sh starts the native Linux demo.)
set -eu
cd "$(dirname "$0")/.."
root=$PWD
./scripts/setup-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target norvessa norvessa-demo norvessa_ui_capture

app="$root/build/windows/src/app/win32/norvessa-demo.exe"
if [ -n "${DISPLAY:-}" ]; then
    status=0
    scripts/wine-ui.sh "$app" || status=$?
    # Quit, Escape and the Close box end the application with exit code 1 by design.
    [ "$status" -le 1 ] || exit "$status"
else
    rm -f build/norvessa-*.bmp
    scripts/wine-ui.sh --desktop 800x600 "$root/build/windows/tests/win32/norvessa_ui_capture.exe" \
        --app="$app" --out="$root/build/norvessa" --calibration
    for picture in main calibration; do
        [ -f "build/norvessa-$picture.bmp" ] || { echo "the demo did not show its $picture window" >&2; exit 1; }
        convert "build/norvessa-$picture.bmp" "build/norvessa-$picture.png"
    done
    rm -f build/norvessa-*.bmp
    echo "No display: ran the Windows demo under Wine in Xvfb, calibrated 9 points, closed it again."
    echo "Screenshots: $root/build/norvessa-main.png $root/build/norvessa-calibration.png"
fi
