#!/bin/sh
# Runs TEST [ARGS...] beside a headless KWin (kwin_wayland --virtual), which also serves KDE's
# global shortcuts (kglobalaccel), on a private session bus that starts no other service. Exits 77
# (skipped) where KWin is not installed or does not start.
# Usage: kwin-session.sh SESSION_CONF TEST [ARGS...]
set -u
if [ -z "${VELLUMIX_IN_KWIN_BUS:-}" ]; then
    kwin=$(command -v kwin_wayland) || { echo "SKIP: kwin_wayland is not installed"; exit 77; }
    runtime=$(mktemp -d)
    trap 'rm -rf "$runtime"' EXIT
    # Debian gives kwin_wayland file capabilities, which a container without them refuses to
    # execute; a copy has none and runs.
    cp "$kwin" "$runtime/kwin_wayland"
    conf=$1
    shift
    XDG_RUNTIME_DIR=$runtime VELLUMIX_IN_KWIN_BUS=1 dbus-run-session --config-file="$conf" -- "$0" "$@"
    exit $?
fi
socket=vellumix-kwin
# Its own configuration folder: kglobalaccel keeps every assignment it ever made there.
XDG_CONFIG_HOME=$XDG_RUNTIME_DIR/config "$XDG_RUNTIME_DIR/kwin_wayland" --virtual --no-lockscreen --socket "$socket" --width 1024 --height 768 \
    >"$XDG_RUNTIME_DIR/kwin.log" 2>&1 &
kwin=$!
# KWin serves kglobalaccel once it is up; 10 s at most.
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.kglobalaccel 2>/dev/null | grep -q true && break
    kill -0 "$kwin" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$kwin" 2>/dev/null || ! dbus-send --session --print-reply --dest=org.kde.kglobalaccel \
    /kglobalaccel org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; then
    echo "SKIP: KWin did not start:"
    tail -5 "$XDG_RUNTIME_DIR/kwin.log"
    kill "$kwin" 2>/dev/null
    exit 77
fi
WAYLAND_DISPLAY=$socket "$@"
status=$?
kill "$kwin"
wait "$kwin" 2>/dev/null
exit $status
