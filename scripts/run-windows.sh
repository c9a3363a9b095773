#!/bin/sh
# Installs what is missing, builds the Windows application and starts it under Wine: on the
# display in DISPLAY, or, when none is set, under a private Xvfb, where a screenshot of the
# main window is saved to build/ and the application is closed again. (scripts/run.sh starts
# the native Linux application instead.)
set -eu
cd "$(dirname "$0")/.."
root=$PWD
./scripts/setup-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target norvessa norvessa_ui_capture

app="$root/build/windows/src/app/win32/norvessa.exe"
if [ -n "${DISPLAY:-}" ]; then
    status=0
    scripts/wine-ui.sh "$app" || status=$?
    # Quit, Escape and the Close box end the application with exit code 1 by design.
    [ "$status" -le 1 ] || exit "$status"
else
    rm -f build/norvessa-main.bmp
    scripts/wine-ui.sh --desktop 800x600 "$root/build/windows/tests/win32/norvessa_ui_capture.exe" \
        --app="$app" --out="$root/build/norvessa"
    [ -f build/norvessa-main.bmp ] || { echo "the application did not show its window" >&2; exit 1; }
    convert build/norvessa-main.bmp build/norvessa-main.png
    rm -f build/norvessa-main.bmp
    echo "No display: ran the application under Xvfb and closed it again."
    echo "Screenshot of its main window: $root/build/norvessa-main.png"
fi
