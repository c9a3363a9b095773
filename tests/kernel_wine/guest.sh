#!/bin/sh
# The Wine stage inside the guest, run as its first process on the host's read-only root. Plugs
# the virtual devices in, starts Wine on a writable overlay of the prepared prefix and an Xvfb, runs
# the Windows test program and the UI driver against the real application, and hands the
# result to QEMU. Usage: guest.sh ENVIRONMENT_FILE (written by run-wine-kernel-tests.sh)
. "$1"
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp
uptime() { cut -d' ' -f1 /proc/uptime; }
failures=0
step() {  # step NAME COMMAND...: runs one step and counts its failure
    name=$1
    shift
    echo "guest: [ RUN  ] $name at $(uptime) s"
    # Output into a file: on a terminal Wine's console turns spaces into cursor moves.
    "$@" >/tmp/step.log 2>&1
    status=$?
    cat /tmp/step.log
    if [ "$status" -eq 0 ]; then
        echo "guest: [  OK  ] $name at $(uptime) s"
    else
        echo "guest: [ FAIL ] $name (status $status) at $(uptime) s"
        kill -0 "$xvfb" 2>/dev/null || { echo "guest: Xvfb has ended:"; cat /tmp/xvfb.log; }
        failures=$((failures + 1))
    fi
}
finish() {
    echo "guest: $failures failed step(s), done at $(uptime) s"
    [ -n "${holder:-}" ] && kill "$holder" 2>/dev/null
    $WINESERVER -k 2>/dev/null
    "$QEMU_EXIT" "$failures"
    poweroff -f
}

ip link set lo up
# Wine writes to its prefix: an overlay of the prepared one, its changes kept in memory.
mkdir -p /tmp/prefix.upper /tmp/prefix.work /tmp/prefix
mount -t overlay overlay \
    -o "lowerdir=$PREFIX,upperdir=/tmp/prefix.upper,workdir=/tmp/prefix.work" /tmp/prefix ||
    { echo "guest: no overlay on the prefix"; failures=1; finish; }
export WINEPREFIX=/tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
export DISPLAY=:7

# One device program for the whole session, commanded through two FIFOs: by this script, and
# by the Windows test program through netcat while it runs.
mkfifo /tmp/peer.in /tmp/peer.out
"$PEER" </tmp/peer.in >/tmp/peer.out &
exec 3>/tmp/peer.in 4</tmp/peer.out
peer() {
    echo "$*" >&3
    read -r answer <&4
    [ "$answer" = ok ] || { echo "guest: device program: $* -> $answer"; return 1; }
}
# The devices must be there before Wine starts: its HID bus sees no arrival later (README).
for kind in keyboard otherid wide controller; do
    peer create "$kind" || failures=$((failures + 1))
done

$WINESERVER -p
# Waits until Wine lists the devices, then keeps a window (and so Wine's desktop) open.
holder_ready() {
    $WINE "$TESTS" --hold-desktop >/tmp/holder.log 2>&1 &
    holder=$!
    waited=0
    until grep -q ready /tmp/holder.log; do
        kill -0 $holder 2>/dev/null && [ $waited -lt 300 ] || { cat /tmp/holder.log; return 1; }
        sleep 1
        waited=$((waited + 1))
    done
}
step "Wine lists the guest's devices and shows a window" holder_ready
step "main window with the controller" $WINE "$UI_DRIVER" --app="$APP" --lang=en --controller \
    --start-patience="$UI_PATIENCE" --gtest_filter="$UI_FILTER"
busybox nc -l -p 7501 <&4 >&3 &
relay=$!
step "link tests on the guest's HID devices" $WINE "$TESTS" --peer-port=7501
# A test program that ended before it connected leaves netcat listening.
kill $relay 2>/dev/null
wait $relay 2>/dev/null
# The link tests plugged the controller in again, which Wine does not list; unplugging it makes
# sure there is none to find whatever Wine does.
peer destroy controller
step "main window without the controller" $WINE "$UI_DRIVER" --app="$APP" --lang=en \
    --start-patience="$UI_PATIENCE" --gtest_filter="$UI_FILTER"
finish
