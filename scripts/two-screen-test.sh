#!/bin/sh
# The calibration covers the screen of the main window, in that screen's own pixels: the demo
# under an Xvfb with two screens of different sizes, calibrating once with the main window on
# each. For each, the calibration window must cover exactly that screen and the set-up frame at
# the simulated controller must carry that screen's size. A failing check shows the end of that
# run's stderr. Usage: two-screen-test.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib/stderr.sh
. scripts/lib/stderr.sh
# shellcheck source=scripts/lib/sanitizers.sh
. scripts/lib/sanitizers.sh
build=${1:-build/linux}
demo=$build/src/app/linux/norvessa-demo
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo
work=$(mktemp -d)
fifo=$work/display
mkfifo "$fifo"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -screen 1 1024x768x24 -nolisten tcp 9>"$fifo" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
display_number=
read -r display_number <"$fifo" || true
[ -n "$display_number" ] || {
    echo "Xvfb did not start" >&2
    norvessa_stderr_tail "$work/xvfb.log" Xvfb
    exit 1
}
export DISPLAY=":$display_number"

# shellcheck source=scripts/lib/frames.sh
. scripts/lib/frames.sh

failed=0
# check_failed MESSAGE...: a failed check of the current run, told with the end of its stderr.
check_failed() {
    echo "$*" >&2
    norvessa_stderr_tail "$log" "the demo (screen $screen)"
    failed=1
}

# check SCREEN WIDTH HEIGHT [DEMO OPTIONS...]
# LeakSanitizer is off for the demo: Qt's xcb plugin and Mesa leave allocations of their own
# behind at exit (lib/sanitizers.sh).
check() {
    screen=$1 width=$2 height=$3
    shift 3
    frames=$work/frames-$screen log=$work/demo-$screen.log
    ASAN_OPTIONS=$(norvessa_asan_options_without_leaks) NORVESSA_DEMO_FRAMES=$frames \
        "$demo" "$@" --calibrate 4 >"$log" 2>&1 &
    pid=$!
    window=
    tries=0
    # Until its calibration window shows, or the demo has ended without one.
    while [ -z "$window" ] && [ $tries -lt 40 ] && kill -0 "$pid" 2>/dev/null; do
        sleep 0.5
        for candidate in $(xdotool search --screen "$screen" --onlyvisible --pid "$pid" 2>/dev/null); do
            [ "$(xdotool getwindowname "$candidate")" = "norvessa-demo" ] && window=$candidate
        done
        tries=$((tries + 1))
    done
    geometry=
    [ -n "$window" ] && geometry=$(xdotool getwindowgeometry "$window" | tr '\n' ' ' | tr -s ' ')
    # Escape ends the calibration and, with --calibrate, the demo, which then writes its frames.
    DISPLAY=":$display_number.$screen" xdotool key Escape
    timeout 20 sh -c "while kill -0 $pid 2>/dev/null; do sleep 0.2; done" || kill "$pid"
    wait "$pid" 2>/dev/null || true
    expected_frame="AA F1 00 $(size_bytes "$width" "$height") 04"
    case $geometry in
        *"Position: 0,0 (screen: $screen) Geometry: ${width}x${height}"*) ;;
        *) check_failed "screen $screen: calibration window '$geometry', not ${width}x${height} at 0,0" ;;
    esac
    grep -q "^$expected_frame" "$frames" 2>/dev/null ||
        check_failed "screen $screen: set-up frame '$(head -n 1 "$frames" 2>/dev/null)'," \
            "expected '$expected_frame'"
}

check 0 1280 1024
check 1 1024 768 --screen 1
[ $failed = 0 ] && echo "two screens: each calibration covered its screen and sent its size"
exit $failed
