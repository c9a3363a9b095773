# shellcheck shell=sh
# Sourced by the scripts: drives the Linux demo's calibration check (norvessa-demo --check) on
# a 1920 x 1080 X display in DISPLAY, the mouse as the finger.

# The five check points on 1920 x 1080 (LayoutCheckPoints: 1/8, 7/12 and 7/8 of the span
# between the 20-pixel margins), in the order they are asked for.
NORVESSA_CHECK_POINTS="255,150 1665,150 1117,453 255,930 1665,930"

# norvessa_check_start DEMO LOG [OPTIONS...]: starts `DEMO --check OPTIONS...` with its stdout
# and stderr in LOG and waits (at most 20 s, and only while it runs) for a window covering the
# screen. Sets NORVESSA_CHECK_PID; fails, showing the end of LOG, when none shows.
norvessa_check_start() {
    demo=$1 log=$2
    shift 2
    LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 "$demo" --check "$@" >"$log" 2>&1 &
    NORVESSA_CHECK_PID=$!
    tries=0
    until norvessa_check_covering; do
        tries=$((tries + 1))
        if [ $tries -ge 40 ] || ! kill -0 "$NORVESSA_CHECK_PID" 2>/dev/null; then
            echo "the check window did not show" >&2
            norvessa_stderr_tail "$log" "the demo"
            return 1
        fi
        sleep 0.5
    done
    # The first cross is drawn once the window is mapped.
    sleep 0.5
}

norvessa_check_covering() {
    for window in $(xdotool search --onlyvisible --pid "$NORVESSA_CHECK_PID" 2>/dev/null); do
        xdotool getwindowgeometry "$window" | grep -q "Geometry: 1920x1080" && return 0
    done
    return 1
}

# norvessa_check_touch_points MIRROR: each check point touched and held still, a few pixels off
# as a hand is; with MIRROR 1 at 1919 - x instead, as a touch screen with a mirrored x axis lands.
norvessa_check_touch_points() {
    nudge=0
    for point in $NORVESSA_CHECK_POINTS; do
        x=${point%,*} y=${point#*,}
        if [ "$1" = 1 ]; then
            x=$((1919 - x))
        else
            x=$((x + nudge % 5)) y=$((y + (nudge * 3) % 4))
        fi
        nudge=$((nudge + 1))
        # Held a quarter of a second: well past the stillness rule's tenth of a second,
        # however quickly the X server delivers the events.
        xdotool mousemove "$x" "$y" mousedown 1 sleep 0.25 mouseup 1
        sleep 0.3
    done
    sleep 0.5
}

# norvessa_check_end: Escape (before the picture it cancels, on it it is Done), then the demo's
# exit code once it has ended (at most 20 s).
norvessa_check_end() {
    xdotool key Escape
    timeout 20 sh -c "while kill -0 $NORVESSA_CHECK_PID 2>/dev/null; do sleep 0.2; done" ||
        kill "$NORVESSA_CHECK_PID"
    status=0
    wait "$NORVESSA_CHECK_PID" 2>/dev/null || status=$?
    return $status
}
