#!/bin/sh
# Takes the README's screenshots of the Linux check under a private Xvfb of 1920 x 1080, the
# mouse as the finger: docs/images/check-pass-linux.png (every check point touched within a few
# pixels, a trail drawn along the edges) and docs/images/check-fail-linux.png (every touch
# mirrored left to right, as a touch screen with a mirrored x axis lands, and its diagnosis).
# Run by hand after a change to what they show. Usage: check-screenshots-linux.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/linux-demo.sh
build=${1:-build/linux}
demo=$build/src/app/linux/norvessa-demo
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
mkdir -p docs/images
work=$(mktemp -d)
trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT

# The five check points on 1920 x 1080 (LayoutCheckPoints: 1/8, 7/12 and 7/8 of the span
# between the 20-pixel margins), in the order they are asked for.
POINTS="255,150 1665,150 1117,453 255,930 1665,930"

# shoot NAME MIRROR: one check, each point touched (mirrored: at 1919 - x), then the picture.
shoot() {
    name=$1 mirror=$2
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 "$demo" --check --report "$work/$name.json" \
        >"$work/$name.log" 2>&1 &
    pid=$!
    tries=0
    # The check window shows without any window manager: wait for a window covering the screen.
    until xdotool search --onlyvisible --pid "$pid" 2>/dev/null | while read -r window; do
        xdotool getwindowgeometry "$window" | grep -q "Geometry: 1920x1080" && echo found
    done | grep -q found; do
        tries=$((tries + 1))
        [ $tries -lt 40 ] && kill -0 "$pid" 2>/dev/null || {
            echo "the check window did not show" >&2
            tail -n 40 "$work/$name.log" >&2
            exit 1
        }
        sleep 0.5
    done
    sleep 0.5
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
        norvessa_demo_touch "$x" "$y"
        sleep 0.3
    done
    sleep 0.5
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
        sleep 0.3
    fi
    import -window root "docs/images/check-$name-linux.png"
    echo "saved docs/images/check-$name-linux.png"
    xdotool key Escape
    timeout 20 sh -c "while kill -0 $pid 2>/dev/null; do sleep 0.2; done" || kill "$pid"
    wait "$pid" 2>/dev/null || true
}

shoot pass 0
shoot fail 1
