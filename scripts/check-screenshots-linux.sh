#!/bin/sh
# Takes the README's screenshots of the Linux check under a private Xvfb of 1920 x 1080, the
# mouse as the finger: docs/images/check-pass-linux.png (every check point touched within a few
# pixels, a trail drawn along the edges) and docs/images/check-fail-linux.png (every touch
# mirrored left to right, as a touch screen with a mirrored x axis lands, and its diagnosis).
# Run by hand after a change to what they show. Usage: check-screenshots-linux.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/stderr.sh
. scripts/lib/check-demo.sh
build=${1:-build/linux}
demo=$build/src/app/linux/norvessa-demo
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
mkdir -p docs/images
work=$(mktemp -d)
trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT

# The technician's finger along the left and the right edge and across, clear of the text at
# the top and the buttons at the bottom.
draw_trail() {
    xdotool mousemove 40 200 mousedown 1
    for step in 300 500 700 900; do
        xdotool mousemove 40 "$step" sleep 0.05
    done
    # Apart in time, as a finger's path is: motion queued together is merged.
    xdotool mousemove 700 600 sleep 0.05 mousemove 1300 500 sleep 0.05 mousemove 1880 300
    for step in 500 700 900; do
        xdotool mousemove 1880 "$step" sleep 0.05
    done
    xdotool mouseup 1
    sleep 0.3
}

# shoot NAME MIRROR: one check, each point touched (mirrored or not), then the picture.
shoot() {
    norvessa_check_start "$demo" "$work/$1.log"
    norvessa_check_touch_points "$2"
    [ "$2" = 1 ] || draw_trail
    import -window root "docs/images/check-$1-linux.png"
    echo "saved docs/images/check-$1-linux.png"
    norvessa_check_end || true
}

shoot pass 0
shoot fail 1
