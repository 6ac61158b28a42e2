#!/bin/sh
# Runs a test on a private Xvfb (free display picked by the server) with openbox as window
# manager, and tears both down whatever happens.
# Usage: xvfb-run.sh WIDTHxHEIGHT COMMAND...
set -eu
size=$1; shift
dir=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT INT TERM
exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -auth /dev/null >"$dir/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
i=0
while [ ! -s "$dir/display" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
    sleep 0.05
done
DISPLAY=:$(cat "$dir/display"); export DISPLAY
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Wait until the window manager owns the screen, so focus behaves as on a desktop.
i=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    i=$((i + 1)); [ $i -gt 100 ] && break
    sleep 0.05
done
QT_QPA_PLATFORM=xcb "$@"
