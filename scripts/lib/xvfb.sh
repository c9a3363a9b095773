# Sourced by the scripts: starts a private Xvfb when a display is wanted and none is set.
# norvessa_start_xvfb exports DISPLAY and arranges for the server to stop on exit.
norvessa_start_xvfb() {
    if [ -n "${DISPLAY:-}" ] && [ "${NORVESSA_FORCE_XVFB:-0}" != 1 ]; then
        return 0
    fi
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    NORVESSA_XVFB_PID=$!
    read -r display_number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$display_number"
    trap 'kill "$NORVESSA_XVFB_PID" 2>/dev/null || true' EXIT
}
