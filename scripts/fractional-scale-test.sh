#!/bin/sh
# A fractional scale on X11: the demo under an Xvfb of one 1030 x 770 screen with
# QT_SCALE_FACTOR=1.5, where Qt's logical screen (687 x 513, rounded) times 1.5 makes 1031 x 770.
# The set-up frame at the simulated controller must carry the output's mode from RandR,
# 1030 x 770. A failing check shows the demo's stderr. Usage: fractional-scale-test.sh [BUILD_DIR]
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
Xvfb -displayfd 9 -screen 0 1030x770x24 -nolisten tcp 9>"$fifo" >"$work/xvfb.log" 2>&1 &
xvfb=$!
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true
      rm -rf "$work"' EXIT
display_number=
read -r display_number <"$fifo" || true
if [ -z "$display_number" ]; then
    echo "Xvfb did not start" >&2
    norvessa_stderr_tail "$work/xvfb.log" Xvfb
    exit 1
fi
export DISPLAY=":$display_number"

# shellcheck source=scripts/lib/frames.sh
. scripts/lib/frames.sh

frames=$work/frames
# The demo's controller writes each report as it arrives: the set-up frame is the first line.
# LeakSanitizer is off for it: Qt's xcb plugin and Mesa leave allocations of their own behind
# (lib/sanitizers.sh).
ASAN_OPTIONS=$(norvessa_asan_options_without_leaks) QT_SCALE_FACTOR=1.5 \
    NORVESSA_DEMO_FRAMES=$frames "$demo" --calibrate 4 >"$work/log" 2>&1 &
pid=$!
tries=0
while [ ! -s "$frames" ] && [ $tries -lt 60 ] && kill -0 "$pid" 2>/dev/null; do
    sleep 0.5
    tries=$((tries + 1))
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=

expected="AA F1 00 $(size_bytes 1030 770) 04"
if grep -q "^$expected" "$frames" 2>/dev/null; then
    echo "fractional scale: the set-up frame carries the output's 1030 x 770"
    exit 0
fi
echo "fractional scale: set-up frame '$(head -n 1 "$frames" 2>/dev/null)', expected '$expected'" >&2
norvessa_stderr_tail "$work/log" "the demo"
exit 1
