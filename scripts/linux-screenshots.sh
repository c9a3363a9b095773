#!/bin/sh
# Takes the README's screenshots of the Linux demo under a private Xvfb (no window manager, so
# no title bars): the main window in English and in Simplified Chinese, the application with no
# controller, and the calibration window after its first target was touched, with a touch held,
# after a refused touch, waiting for the verdict, and counting down to its time-out. Run by
# hand after a change to what they show; takes about a minute.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh
. scripts/lib/linux-demo.sh
./scripts/setup-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target norvessa-demo norvessa
demo=build/linux/src/app/linux/norvessa-demo
app=build/linux/src/app/linux/norvessa
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

# Without a controller (none under Xvfb): the status line says so and the buttons are grey.
norvessa_demo_start "$app" en_US.UTF-8
sleep 1
import -window "$NORVESSA_DEMO_WINDOW" docs/linux-main-window-no-controller.png
echo "saved docs/linux-main-window-no-controller.png"
norvessa_demo_stop

# The calibration window: 9 targets on 1920 x 1080, the guidance between the top two rows.
# Each picture keeps the top half of the screen, where the first crosses and the text are.
shot() {
    import -window root -crop 1920x560+0+0 "docs/linux-calibration-$1.png"
    echo "saved docs/linux-calibration-$1.png"
}
norvessa_demo_start "$demo" en_US.UTF-8
norvessa_demo_open_calibration
norvessa_demo_touch 20 20
sleep 0.5
shot window
xdotool mousemove 960 20 mousedown 1
sleep 0.4
shot touch-held
xdotool mouseup 1
# A tap: too short to count.
xdotool mousemove 1900 20 click 1
sleep 0.3
shot refused
norvessa_demo_touch 1900 20
sleep 21
shot countdown
for target in "20 540" "960 540" "1900 540" "20 1060" "960 1060"; do
    norvessa_demo_touch $target
done
xdotool mousemove 1900 1060 mousedown 1
sleep 0.3
xdotool mouseup 1
sleep 0.2
import -window root docs/linux-calibration-waiting-full.png
convert docs/linux-calibration-waiting-full.png -crop 1920x560+0+0 docs/linux-calibration-waiting.png
rm -f docs/linux-calibration-waiting-full.png
echo "saved docs/linux-calibration-waiting.png"
norvessa_demo_stop
