#!/bin/sh
# Takes the README's screenshots of the Linux demo under a private Xvfb (no window manager, so
# no title bars): the main window in English and in Simplified Chinese, and the calibration
# window after its first target was touched. Run by hand after a change to what they show.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/linux-demo.sh
./scripts/setup-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target norvessa-demo
demo=build/linux/src/app/linux/norvessa-demo
NORVESSA_FORCE_XVFB=1 norvessa_start_xvfb
mkdir -p docs

for locale in en_US.UTF-8 zh_CN.UTF-8; do
    norvessa_demo_start "$demo" "$locale"
    sleep 1
    out=docs/linux-main-window-$(echo "$locale" | cut -c1-2).png
    import -window "$NORVESSA_DEMO_WINDOW" "$out"
    echo "saved $out"
    norvessa_demo_stop
done

norvessa_demo_start "$demo" en_US.UTF-8
norvessa_demo_open_calibration
norvessa_demo_touch 20 20
sleep 0.5
# The whole screen is one plain area: keep the top band where the crosses are.
import -window root -crop 1920x240+0+0 docs/linux-calibration-window.png
echo "saved docs/linux-calibration-window.png"
norvessa_demo_stop
