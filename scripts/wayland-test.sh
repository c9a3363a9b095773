#!/bin/sh
# shellcheck disable=SC2086,SC2317 # positions are "x y" words; helpers run through poll
# The calibration under a real Wayland compositor with two outputs of different sizes and
# scales: weston's x11 backend on a private Xvfb, output X1 1280x800 at scale 1 and output X2
# 3200x2000 at scale 2 (logical 1600x1000 at 1280,0), their windows side by side in the Xvfb.
# Checks, each naming what failed:
#   1. --screen X2 and --screen 0 (with the main window placed on the other output): the set-up
#      frame carries that output's mode size, and a screenshot shows the calibration covering
#      all of it, corner to corner.
#   2. No --screen: the calibration covers the output the compositor put the main window on
#      (weston's desktop shell places a new window on the output under the pointer).
#   3. A whole 4-point run on the scale-2 output through the pointer: each target announced at
#      its place in the output's own pixels, touched there, and the verdict is success, its box
#      in sight (not under the full-screen calibration).
#   4. XWayland: the demo as an X client, its main window on the scale-2 output: the frames still
#      carry the output's mode, 3200x2000. XWayland 22 shows that output to X clients at its
#      logical size (the X screen is 2880x1000, the calibration's X window 1600x1000 at
#      1280,0), so the mode has to come from the compositor itself.
# What cannot be shown here: touch injection (the x11 backend forwards only the X pointer and
# keyboard, so the calibration window takes the pointer as its mouse path) and fractional
# scales (weston 10 has integer scales only).
# A failing check shows the end of the demo's stderr (each run of the demo has its own file).
# With NORVESSA_SCREENSHOT_DIR set, the screenshot of check 1 (main window on X1, calibration
# on X2) is kept there. Usage: wayland-test.sh [BUILD_DIR]; exits 77 (skipped) without weston.
set -eu
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib/stderr.sh
. scripts/lib/stderr.sh
# shellcheck source=scripts/lib/sanitizers.sh
. scripts/lib/sanitizers.sh
build=${1:-build/linux}
case $build in
    /*) ;;
    *) build=$PWD/$build ;;
esac
demo=$build/src/app/linux/norvessa-demo
command -v weston >/dev/null || { echo "weston is not installed: skipped"; exit 77; }
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo

work=$(mktemp -d)
xvfb='' weston='' demo_pid='' watchdog='' demo_log='' demo_name=''
failed=0
# fail MESSAGE...: one failed check, told with the end of the current (or last) demo's stderr.
fail() {
    echo "$*" >&2
    [ -z "$demo_log" ] || norvessa_stderr_tail "$demo_log" "the demo ($demo_name)"
    failed=1
}
cleanup() {
    [ -z "$demo_pid" ] || kill "$demo_pid" 2>/dev/null || true
    if [ -n "$weston" ]; then
        # weston ends its shell and Xwayland (its process group) on its way out; give it the
        # X server to do so, then end whatever is left.
        kill "$weston" 2>/dev/null || true
        tries=0
        while [ $tries -lt 25 ] && ps -o stat= -p "$weston" | grep -q '^[^Z]'; do
            sleep 0.2
            tries=$((tries + 1))
        done
        kill -KILL -- "-$weston" 2>/dev/null || true
    fi
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    [ -z "$watchdog" ] || kill "$watchdog" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT
trap 'fail "wayland test: out of time"; exit 1' TERM
# Every wait below has its own limit; this one bounds them all.
(
    sleep 110 &
    timer=$!
    trap 'kill "$timer"; exit 0' TERM
    wait "$timer"
    kill -TERM $$
) >/dev/null 2>&1 &
watchdog=$!

fifo=$work/display
mkfifo "$fifo"
Xvfb -displayfd 9 -screen 0 4480x2000x24 -nolisten tcp 9>"$fifo" >"$work/xvfb.log" 2>&1 &
xvfb=$!
display_number=$(timeout 20 head -n 1 "$fifo") || true
[ -n "$display_number" ] || {
    echo "Xvfb did not start" >&2
    norvessa_stderr_tail "$work/xvfb.log" Xvfb
    exit 1
}
export DISPLAY=":$display_number"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY=norvessa-test
# No start-up fade (the screenshots would catch it) and no on-screen keyboard client.
cat >"$work/weston.ini" <<EOF
[core]
backend=x11-backend.so
xwayland=true
[shell]
panel-position=none
startup-animation=none
animation=none
[input-method]
path=
[output]
name=X1
mode=1280x800
scale=1
[output]
name=X2
mode=1600x1000
scale=2
EOF
log=$work/weston.log
setsid weston --backend=x11-backend.so --use-pixman --output-count=2 --socket="$WAYLAND_DISPLAY" \
    --config="$work/weston.ini" --debug --log="$log" >"$work/weston.stderr" 2>&1 &
weston=$!
# weston_failed MESSAGE: the compositor failed the test; its log and its stderr tell why.
weston_failed() {
    echo "$1" >&2
    norvessa_stderr_tail "$log" "weston (its log)"
    norvessa_stderr_tail "$work/weston.stderr" weston
    failed=1
}

# poll SECONDS COMMAND...: runs the command every 0.2 s until it succeeds or time is up, or
# until the demo it waits for has ended (it shows nothing more then).
poll() {
    limit=$(($1 * 5))
    shift
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ $tries -lt $limit ] || return 1
        [ -z "$demo_pid" ] || kill -0 "$demo_pid" 2>/dev/null || return 1
        sleep 0.2
    done
}

xwayland_listening() { grep -q 'xserver listening on display' "$log" 2>/dev/null; }
poll 20 xwayland_listening || { weston_failed "weston did not start"; exit 1; }
# The outputs' X windows, in the order of the outputs; both start at 0,0.
x2_window=$(sed -n 's/.*x11 output .*window id \([0-9]*\).*/\1/p' "$log" | sed -n 2p)
xwayland_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | tail -n 1)
xdotool windowmove "$x2_window" 1280 0
# Keys reach weston through the X focus, whichever output the pointer is on. Set once: moving
# it between weston's windows can leave weston without keyboard focus.
xdotool windowfocus --sync "$x2_window"
x2_origin=1280

scene() { weston-debug scene-graph 2>/dev/null; }

# shellcheck source=scripts/lib/frames.sh
. scripts/lib/frames.sh

frames=$work/frames
demo_env='' shot='' demo_runs=0
# start_demo PLATFORM [DEMO OPTIONS...]: a calibration of 4 targets, its frames in $frames, its
# output in a file of its own. LeakSanitizer is off for it: Qt's Wayland and xcb plugins and
# Mesa leave allocations of their own behind (lib/sanitizers.sh).
start_demo() {
    platform=$1
    shift
    rm -f "$frames"
    demo_runs=$((demo_runs + 1))
    demo_log=$work/demo-$demo_runs.log demo_name="QT_QPA_PLATFORM=$platform${*:+ $*}"
    env $demo_env ASAN_OPTIONS="$(norvessa_asan_options_without_leaks)" \
        QT_QPA_PLATFORM="$platform" NORVESSA_DEMO_FRAMES="$frames" "$demo" "$@" \
        --calibrate 4 >"$demo_log" 2>&1 &
    demo_pid=$!
}
demo_ended() { ! kill -0 "$demo_pid" 2>/dev/null; }
frame_count() { [ -f "$frames" ] && wc -l <"$frames" || echo 0; }
has_frames() { [ "$(frame_count)" -ge "$1" ]; }

calibration_position() {
    scene | grep -A1 "top-level window 'norvessa-demo'" | grep -m 1 -o 'position: ([0-9]*, [0-9]*)'
}
calibration_shown() { [ -n "$(calibration_position)" ]; }
# stop_demo NAME KEY: ends the demo with the key (Escape ends a calibration, Return answers the
# verdict box), then waits for its end. Sets demo_status.
stop_demo() {
    name=$1 key=$2
    if [ "$key" = Escape ]; then
        # A tap on the calibration gives it the keyboard (the compositor gives it to the window
        # mapped last, which may be the main window); too short to count as a touch.
        poll 5 calibration_shown || true
        case $(calibration_position) in
            *"(0, 0)") xdotool mousemove 640 400 click 1 ;;
            *) xdotool mousemove 2880 1000 click 1 ;;
        esac
    fi
    xdotool key "$key"
    if ! poll 10 demo_ended; then
        fail "$name: the demo did not end on $key"
        kill "$demo_pid" 2>/dev/null || true
    fi
    demo_status=0
    wait "$demo_pid" || demo_status=$?
    demo_pid=
}

# check_setup_frame NAME WIDTH HEIGHT: the calibration's opening frames are there and the
# set-up frame carries WIDTH x HEIGHT.
check_setup_frame() {
    if ! poll 15 has_frames 2; then
        fail "$1: the calibration sent no set-up and first point frame ($(frame_count) frames)"
        return 1
    fi
    expected="AA F1 00 $(size_bytes "$2" "$3") 04"
    head -n 1 "$frames" | grep -q "^$expected" ||
        fail "$1: set-up frame '$(head -n 1 "$frames" | cut -c1-24)', expected '$expected'"
}

# Calibration window background, read from a real run (weston's desktop is a grey pattern).
calibration_colour='srgba(239,239,239,1)'
# check_covered NAME VIEW LEFT WIDTH HEIGHT: the calibration's full-screen view stands at VIEW
# (weston's logical "(x, y) -> (x, y)"), and pixels near all four corners of the output's area
# LEFT,0 WIDTH x HEIGHT of a screenshot are the calibration's background. Sets shot.
check_covered() {
    shot=
    if ! poll 10 covering "$2"; then
        fail "$1: no full-screen calibration view at $2"
        return
    fi
    rm -rf "$work/shots"
    mkdir "$work/shots"
    (cd "$work/shots" && timeout 10 weston-screenshooter >/dev/null 2>&1) || true
    shot=$(find "$work/shots" -name '*.png' | head -n 1)
    [ -n "$shot" ] || { fail "$1: weston-screenshooter wrote no screenshot"; return; }
    right=$(($3 + $4 - 3)) bottom=$(($5 - 3)) wrong=''
    for pixel in "$(($3 + 2)),2" "$right,2" "$(($3 + 2)),$bottom" "$right,$bottom"; do
        colour=$(convert "$shot" -format "%[pixel:p{$pixel}]" info:)
        [ "$colour" = "$calibration_colour" ] || wrong="$wrong $pixel is $colour;"
    done
    [ -z "$wrong" ] || fail "$1: not the calibration's background at screenshot pixels$wrong"
}
# check_main_window NAME OUTPUT: the compositor put the main window on that output (what the
# check presumes).
check_main_window() {
    on_output() { scene | grep -A3 "top-level window 'Norvessa" | grep -q "outputs: .*($1) (primary)"; }
    poll 10 on_output "$2" ||
        fail "$1: the main window was not placed on $2 ($(scene | grep -A3 "window 'Norvessa" |
            grep -o 'outputs: .*'))"
}
# point_at X Y: the pointer there, moved so that weston sees it arrive.
point_at() {
    xdotool mousemove $(($1 + 1)) "$2"
    sleep 0.1
    xdotool mousemove "$1" "$2"
}
covering() { scene | grep -A1 "top-level window 'norvessa-demo'" | grep -qF "position: $1"; }

X1_VIEW='(0, 0) -> (1280, 800)'
X2_VIEW='(1280, 0) -> (2880, 1000)'
ON_X1='600 400'
ON_X2='2800 1000'

# 1. --screen by name and by index, the main window placed on the other output.
point_at $ON_X1
start_demo wayland --screen X2
check_main_window "--screen X2" X1
check_setup_frame "--screen X2" 3200 2000 &&
    check_covered "--screen X2" "$X2_VIEW" "$x2_origin" 3200 2000
if [ -n "$shot" ] && [ -n "${NORVESSA_SCREENSHOT_DIR:-}" ]; then
    mkdir -p "$NORVESSA_SCREENSHOT_DIR"
    cp "$shot" "$NORVESSA_SCREENSHOT_DIR/wayland-two-outputs.png"
fi
stop_demo "--screen X2" Escape

point_at $ON_X2
start_demo wayland --screen 0
check_main_window "--screen 0" X2
check_setup_frame "--screen 0" 1280 800 && check_covered "--screen 0" "$X1_VIEW" 0 1280 800
stop_demo "--screen 0" Escape

# 2. No --screen: the output the compositor put the main window on.
point_at $ON_X2
start_demo wayland
check_main_window "main window on X2" X2
check_setup_frame "main window on X2" 3200 2000 || true
stop_demo "main window on X2" Escape
point_at $ON_X1
start_demo wayland
check_main_window "main window on X1" X1
check_setup_frame "main window on X1" 1280 800 || true
stop_demo "main window on X1" Escape

# 3. A whole run on the scale-2 output, touched through the pointer as a person would, at the
# Xvfb position of each target: X2's window origin plus the target in the output's own pixels.
# shellcheck source=scripts/lib/linux-demo.sh
. scripts/lib/linux-demo.sh
point_at $ON_X1
start_demo wayland --screen X2
poll 10 covering "$X2_VIEW" || fail "4-point run: no full-screen calibration view at $X2_VIEW"
width=3200 height=2000
target=0
while [ $target -lt 4 ]; do
    # Row by row, 20 pixels in from the edges.
    x=$((20 + target % 2 * (width - 40))) y=$((20 + (target / 2) * (height - 40)))
    if ! poll 10 has_frames $((target + 2)); then
        fail "4-point run: no point frame for target $((target + 1))"
        break
    fi
    expected="AA F1 0$((target + 1)) $(size_bytes $x $y) 04"
    announced=$(sed -n "$((target + 2))p" "$frames" | cut -c1-23)
    [ "$announced" = "$expected" ] ||
        fail "4-point run: target $((target + 1)) announced as '$announced', expected '$expected'"
    norvessa_demo_touch $((x2_origin + x)) "$y"
    target=$((target + 1))
done
# The verdict box where the user sees it: a window of the demo's name in weston's ordinary layer
# and none left in its full-screen layer (0xb0000000), which stays above every ordinary window,
# dialogs included.
verdict_visible() {
    scene | awk '/^Layer/ { full = ($4 ~ /^0xb0000000/) }
                 /top-level window .norvessa-demo./ { if (full) covered = 1; else shown = 1 }
                 END { exit !(shown && !covered) }'
}
poll 10 verdict_visible ||
    fail "4-point run: no verdict box in sight after the last target (under a full-screen view?)"
stop_demo "4-point run" Return
[ "$demo_status" = 0 ] || fail "4-point run: the demo exited with $demo_status, not 0 (success)"
[ "$(frame_count)" = 5 ] || fail "4-point run: $(frame_count) frames, expected 5"

# 4. XWayland: an X client, main window on the scale-2 output (XWAYLAND1, at 1280,0).
point_at $ON_X1
demo_env="DISPLAY=$xwayland_display"
start_demo xcb --screen 1
check_main_window "XWayland" X2
check_setup_frame "XWayland, main window on X2" 3200 2000 || true
stop_demo "XWayland" Escape

scene | grep -q 'Output 1 (X2)' || weston_failed "weston is gone: it ended or crashed during the checks"
[ $failed = 0 ] && echo "wayland: each calibration covered its output and sent its size;" \
    "a 4-point run on the scale-2 output succeeded"
exit $failed
