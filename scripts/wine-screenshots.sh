#!/bin/sh
# Takes the README's screenshots: the main window in English and in Simplified Chinese with its
# status line (and connected, from the demo), the About box, (from the demo) the calibration
# window with its first cross and the verdict box, and (from the demo with a controller that
# never answers) the guided calibration window: a contact held, a refused tap's hint, the wait
# for the controller, the countdown, and the time-out box; each cropped to its window. The
# application runs under Wine in a virtual
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
# The guided run needs a controller that takes touches and never answers.
export NORVESSA_DEMO_SILENT=1
capture guide en_US.UTF-8 norvessa-demo.exe --guidance
capture guidezh zh_CN.UTF-8 norvessa-demo.exe --guidance
unset NORVESSA_DEMO_SILENT
for picture in held refused waiting countdown timedout; do
    for language in guide guidezh; do
        [ -f "$shots/$language-$picture.bmp" ] || { echo "no $language-$picture screenshot" >&2; exit 1; }
    done
done
convert "$shots/en-main.bmp" docs/main-window-en.png
convert "$shots/en-about.bmp" docs/about-box.png
convert "$shots/zh-main.bmp" docs/main-window-zh.png
convert "$shots/demo-calibration.bmp" docs/calibration-window.png
convert "$shots/demo-verdict.bmp" docs/verdict-box.png
convert "$shots/demo-main.bmp" docs/main-window-connected.png
for picture in held refused waiting countdown; do
    convert "$shots/guide-$picture.bmp" "docs/calibration-$picture.png"
    convert "$shots/guidezh-$picture.bmp" "docs/calibration-$picture-zh.png"
done
convert "$shots/guide-timedout.bmp" docs/timed-out-box.png
echo "Wrote docs/main-window-en.png docs/main-window-zh.png docs/main-window-connected.png"
echo "      docs/about-box.png docs/calibration-window.png docs/verdict-box.png"
echo "      docs/calibration-{held,refused,waiting,countdown}{,-zh}.png docs/timed-out-box.png"
