#!/bin/sh
# Takes the README's screenshots of the Windows check, norvessa.exe --check under Wine on a
# private Xvfb of 1920 x 1080, the mouse as the finger: docs/images/check-pass-windows.png (every
# check point touched within a few pixels, a trail drawn along the edges) and
# docs/images/check-fail-windows.png (every touch mirrored left to right, and its diagnosis).
# Run by hand after a change to what they show. Usage: check-screenshots-windows.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
. scripts/lib/xvfb.sh
build=${1:-build/windows}
program=$root/$build/src/app/win32/norvessa.exe
[ -f "$program" ] || cmake --build "$build" --target norvessa
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
export NORVESSA_WINEPREFIX="$root/$build/wineprefix-check-screenshots"
mkdir -p docs/images
work=$(mktemp -d)
trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT

# A new prefix is made before the first shot: its set-up dialog would be on the picture.
WINEPREFIX=$NORVESSA_WINEPREFIX WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
WINEPREFIX=$NORVESSA_WINEPREFIX wineserver -w

# The five check points on 1920 x 1080 (LayoutCheckPoints), in the order they are asked for.
POINTS="255,150 1665,150 1117,453 255,930 1665,930"

# A steady touch: the press held still long enough for the hold cue to fill, then lifted.
touch_at() {
    xdotool mousemove "$1" "$2" mousedown 1
    sleep 0.4
    xdotool mouseup 1
}

# shoot NAME MIRROR: one check, each point touched (mirrored: at 1919 - x), then the picture.
shoot() {
    name=$1 mirror=$2
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 WINEDEBUG=-all scripts/wine-ui.sh "$program" --check \
        --report - >"$work/$name.json" 2>"$work/$name.log" &
    pid=$!
    tries=0
    # Wine names its windows' X class after the program: wait for one covering the screen.
    until xdotool search --onlyvisible --class norvessa.exe 2>/dev/null | while read -r window; do
        xdotool getwindowgeometry "$window" | grep -q "Geometry: 1920x1080" && echo found
    done | grep -q found; do
        tries=$((tries + 1))
        [ $tries -lt 120 ] && kill -0 "$pid" 2>/dev/null || {
            echo "the check window did not show" >&2
            tail -n 40 "$work/$name.log" >&2
            exit 1
        }
        sleep 0.5
    done
    sleep 1
    nudge=0
    for point in $POINTS; do
        x=${point%,*} y=${point#*,}
        if [ "$mirror" = 1 ]; then
            x=$((1919 - x))
        else
            # A hand is never exact: a few pixels off, within the tolerance.
            x=$((x + nudge % 5)) y=$((y + (nudge * 3) % 4))
        fi
        nudge=$((nudge + 1))
        touch_at "$x" "$y"
        sleep 0.3
    done
    sleep 1
    if [ "$mirror" = 0 ]; then
        # The technician's finger along the left and the right edge and across, clear of the
        # text at the top and the buttons at the bottom.
        xdotool mousemove 40 200 mousedown 1
        for step in 300 500 700 900; do
            xdotool mousemove 40 "$step"
        done
        xdotool mousemove 700 600 mousemove 1300 500 mousemove 1880 300
        for step in 500 700 900; do
            xdotool mousemove 1880 "$step"
        done
        xdotool mouseup 1
        sleep 0.5
    fi
    import -window root "docs/images/check-$name-windows.png"
    echo "saved docs/images/check-$name-windows.png"
    xdotool key Escape
    status=0
    wait "$pid" || status=$?
    echo "norvessa --check ended with exit code $status"
}

shoot pass 0
shoot fail 1
