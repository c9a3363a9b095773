#!/bin/sh
# The calibration check of the demo on a real X server (a private Xvfb of 1920 x 1080), the
# mouse as the finger through XTEST: touches near every check point pass (exit code 0), touches
# mirrored left to right fail with that diagnosis (6), Escape at the first point cancels (7);
# the report written with --report names the result. A failing check shows the end of that
# run's stderr. Usage: x11-check-test.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/stderr.sh
. scripts/lib/sanitizers.sh
. scripts/lib/check-demo.sh
build=${1:-build/linux}
demo=$build/src/app/linux/norvessa-demo
[ -x "$demo" ] || cmake --build "$build" --target norvessa-demo
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
work=$(mktemp -d)
trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
# LeakSanitizer is off for the demo: Qt's xcb plugin and Mesa leave allocations of their own
# behind at exit (lib/sanitizers.sh).
ASAN_OPTIONS=$(norvessa_asan_options_without_leaks)
export ASAN_OPTIONS

failed=0
# run NAME TOUCHES EXIT_CODE REPORT_TEXT: TOUCHES is exact, mirrored or none (Escape at once).
run() {
    name=$1 touches=$2 expected=$3 text=$4
    log=$work/$name.log report=$work/$name.json
    # Each run on an X server of its own. In CI the server of the run before was sometimes gone
    # by the third run (cause not found); say so, so the next failure can be traced.
    kill -0 "$NORVESSA_XVFB_PID" 2>/dev/null || echo "$name: the X server of the run before is gone" >&2
    kill "$NORVESSA_XVFB_PID" 2>/dev/null || true
    NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
    trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
    norvessa_check_start "$demo" "$log" --report "$report" || { failed=1; return; }
    case $touches in
        exact) norvessa_check_touch_points 0 ;;
        mirrored) norvessa_check_touch_points 1 ;;
    esac
    status=0
    norvessa_check_end || status=$?
    if [ "$status" != "$expected" ]; then
        echo "$name: exit code $status, expected $expected" >&2
        norvessa_stderr_tail "$log" "the demo ($name)"
        failed=1
    elif [ -n "$text" ] && ! grep -qF "$text" "$report" 2>/dev/null; then
        echo "$name: the report does not hold '$text'" >&2
        norvessa_stderr_tail "$log" "the demo ($name)"
        failed=1
    else
        echo "$name: exit code $status"
    fi
}

run passed exact 0 '"result": "pass"'
run mirrored mirrored 6 '"kind": "mirrored-x"'
run cancelled none 7 ''
exit $failed
