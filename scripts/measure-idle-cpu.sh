#!/bin/sh
# Measures how much CPU the Linux demo uses while its calibration window waits for a touch:
# utime + stime from /proc over 5 seconds, under a private Xvfb. A window that repaints
# continually keeps a core busy; one that waits uses next to nothing. Fails only beyond a
# generous bound; a failure shows the end of the demo's stderr.
# Usage: measure-idle-cpu.sh [BUILD_DIR]   (default: build/linux)
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/linux-demo.sh
. scripts/lib/stderr.sh
build=${1:-build/linux}
demo=$build/src/app/linux/norvessa-demo
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
work=$(mktemp -d)
NORVESSA_DEMO_STDERR=$work/demo.stderr
# Whatever step fails (set -e included), the demo's own words come with it; the private Xvfb
# goes with the script.
on_exit() {
    status=$?
    [ $status = 0 ] || norvessa_stderr_tail "$NORVESSA_DEMO_STDERR" "the demo"
    kill "$NORVESSA_XVFB_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap on_exit EXIT

seconds=5
bound_percent=10
ticks_per_second=$(getconf CLK_TCK)

# utime + stime of the process, in clock ticks (fields 14 and 15; the name field before them
# is in parentheses and skipped whole).
cpu_ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

measure() {
    before=$(cpu_ticks "$NORVESSA_DEMO_PID")
    sleep "$seconds"
    after=$(cpu_ticks "$NORVESSA_DEMO_PID")
    echo $((after - before))
}

norvessa_demo_start "$demo"
sleep 1
main_ticks=$(measure)
norvessa_demo_open_calibration
sleep 1
calibration_ticks=$(measure)
norvessa_demo_stop

percent() {
    awk -v t="$1" -v s="$seconds" -v hz="$ticks_per_second" 'BEGIN { printf "%.1f", 100 * t / (s * hz) }'
}
echo "Idle CPU over ${seconds} s: main window $main_ticks ticks ($(percent "$main_ticks")% of a core)," \
     "calibration window $calibration_ticks ticks ($(percent "$calibration_ticks")% of a core)"
if [ "$calibration_ticks" -gt $((seconds * ticks_per_second * bound_percent / 100)) ]; then
    echo "the waiting calibration window uses more than ${bound_percent}% of a core" >&2
    exit 1
fi
