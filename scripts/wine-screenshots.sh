#!/bin/sh
# Takes the README's screenshots: the main window in English and in Simplified Chinese, the
# About box, and (from the demo) the calibration window with its first cross and the verdict
# box, each cropped to its window. The application runs under Wine in a virtual
# desktop on a private Xvfb, so Wine draws the window frames. Run by hand after changing the
# dialogs, then look at the pictures.
# Usage: scripts/wine-screenshots.sh [BUILD_DIR]   (default: build/windows, the windows preset)
set -eu
cd "$(dirname "$0")/.."
root=$PWD
. scripts/lib/xvfb.sh

build=${1:-build/windows}
./scripts/setup-deps.sh
if [ "$build" = build/windows ]; then
    cmake --preset windows >/dev/null
fi
cmake --build "$build" --target norvessa norvessa-demo norvessa_ui_capture

NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
export NORVESSA_WINEPREFIX="$root/$build/wineprefix"
shots="$root/$build/screenshots"
mkdir -p "$shots" docs

# capture NAME LOCALE APP [--about] [--calibration]: leaves $shots/NAME-main.bmp (and -about,
# -calibration, -verdict.bmp).
capture() {
    language=$1
    locale=$2
    app=$3
    shift 3
    rm -f "$shots/$language"-*.bmp
    LANG=$locale LC_ALL=$locale scripts/wine-ui.sh --desktop 800x600 \
        "$root/$build/tests/win32/norvessa_ui_capture.exe" \
        --app="$root/$build/src/app/win32/$app" --out="$shots/$language" "$@"
    # Let this language's Wine processes end before the next one starts.
    WINEPREFIX=$NORVESSA_WINEPREFIX wineserver -w
    [ -f "$shots/$language-main.bmp" ] || { echo "no screenshot for $language" >&2; exit 1; }
}

capture en en_US.UTF-8 norvessa.exe --about
capture zh zh_CN.UTF-8 norvessa.exe
capture demo en_US.UTF-8 norvessa-demo.exe --calibration
for picture in calibration verdict; do
    [ -f "$shots/demo-$picture.bmp" ] || { echo "no $picture screenshot" >&2; exit 1; }
done
convert "$shots/en-main.bmp" docs/main-window-en.png
convert "$shots/en-about.bmp" docs/about-box.png
convert "$shots/zh-main.bmp" docs/main-window-zh.png
convert "$shots/demo-calibration.bmp" docs/calibration-window.png
convert "$shots/demo-verdict.bmp" docs/verdict-box.png
echo "Wrote docs/main-window-en.png docs/main-window-zh.png docs/about-box.png"
echo "      docs/calibration-window.png docs/verdict-box.png"
