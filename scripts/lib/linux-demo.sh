# Sourced by the scripts: drives the Linux demo (norvessa-demo) on the X display in DISPLAY
# through the keyboard and the mouse, as a person would.

# norvessa_demo_start PROGRAM [LOCALE]: starts it and waits (at most 20 s, and only while it
# runs) for its main window. Sets NORVESSA_DEMO_PID and NORVESSA_DEMO_WINDOW. With
# NORVESSA_DEMO_STDERR set, the program's stderr goes to that file.
norvessa_demo_start() {
    if [ -n "${NORVESSA_DEMO_STDERR:-}" ]; then
        norvessa_demo_exec "$@" 2>"$NORVESSA_DEMO_STDERR" &
    else
        norvessa_demo_exec "$@" &
    fi
    NORVESSA_DEMO_PID=$!
    NORVESSA_DEMO_WINDOW=
    tries=0
    while [ -z "$NORVESSA_DEMO_WINDOW" ] && [ $tries -lt 40 ] &&
        kill -0 "$NORVESSA_DEMO_PID" 2>/dev/null; do
        sleep 0.5
        NORVESSA_DEMO_WINDOW=$(xdotool search --onlyvisible --name '^Norvessa' 2>/dev/null | head -n 1)
        tries=$((tries + 1))
    done
    [ -n "$NORVESSA_DEMO_WINDOW" ] || { echo "the demo did not show its window" >&2; return 1; }
    xdotool windowfocus --sync "$NORVESSA_DEMO_WINDOW"
}

# norvessa_demo_exec PROGRAM [LOCALE]: becomes the program (so that a background call's $! is
# the program's own process).
norvessa_demo_exec() {
    if [ -n "${2:-}" ]; then
        LC_ALL=$2 LANG=$2 exec "$1"
    fi
    exec "$1"
}

# Opens the 9-point calibration: Quit has the focus at start, and two tabs lead to the
# 9-point button.
norvessa_demo_open_calibration() {
    xdotool key Tab Tab space
    sleep 1
}

# A steady touch with the mouse at x y: pressed, moved twelve times within a pixel, lifted.
norvessa_demo_touch() {
    xdotool mousemove "$1" "$2" mousedown 1
    i=0
    while [ $i -lt 12 ]; do
        xdotool mousemove $(($1 + i % 2)) "$2"
        i=$((i + 1))
    done
    xdotool mouseup 1
}

norvessa_demo_stop() {
    kill "$NORVESSA_DEMO_PID" 2>/dev/null || true
    wait "$NORVESSA_DEMO_PID" 2>/dev/null || true
}
