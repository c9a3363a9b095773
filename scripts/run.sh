#!/bin/sh
# Installs what is missing, builds the Linux application and starts its demo, norvessa-demo:
# the application with the simulated controller current, on the display in DISPLAY. With no
# display set it runs the demo under a private Xvfb, saves a screenshot of its main window to
# build/, says where, and ends it again. The Windows build under Wine: scripts/run-windows.sh.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
. scripts/lib/xvfb.sh
. scripts/lib/linux-demo.sh
./scripts/setup-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target norvessa norvessa-demo

demo="$root/build/linux/src/app/linux/norvessa-demo"
if [ -n "${DISPLAY:-}" ]; then
    status=0
    "$demo" || status=$?
    # Quit, Escape and closing the window end the application with exit code 1 by design.
    [ "$status" -le 1 ] || exit "$status"
else
    norvessa_start_xvfb
    norvessa_demo_start "$demo"
    sleep 1
    import -window "$NORVESSA_DEMO_WINDOW" build/norvessa-linux-main.png
    norvessa_demo_stop
    echo "No display: ran the Linux demo under Xvfb and closed it again."
    echo "Screenshot of its main window: $root/build/norvessa-linux-main.png"
fi
