#!/bin/sh
# Runs a test inside a private headless sway session with two outputs (HEADLESS-1 at scale 1,
# HEADLESS-2 at scale 2 to its right), PipeWire and the screenshot portal, on a session bus of its
# own. sway refuses to run as root, so as root the test runs as the system's unprivileged
# "nobody" (no account is created: the suite changes no system file), with a private /tmp (the wlr portal always writes /tmp/out.png). Exits 77 (skip) when no session can
# be had. Usage: sway-session.sh COMMAND...
set -eu
skip() { echo "SKIP: $*" >&2; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
# nobody and nogroup by number, as Debian fixes them.
uid=65534
gid=65534

if [ "${1:-}" = --inner ]; then
    shift
    dir=$SWAY_SESSION_DIR
    trap 'kill $pids 2>/dev/null; wait 2>/dev/null' EXIT INT TERM
    export XDG_RUNTIME_DIR="$dir/run" HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config"
    export XDG_DATA_HOME="$dir/home/.local/share" XDG_CACHE_HOME="$dir/home/.cache"
    export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
    export WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
    unset DISPLAY WAYLAND_DISPLAY
    cat >"$dir/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x720 position 0 0 scale 1 bg #ffffff solid_color
output HEADLESS-2 resolution 1280x720 position 1280 0 scale 2 bg #ffffff solid_color
default_border none
focus_follows_mouse no
CONF
    sway -D damage=rerender -c "$dir/sway.conf" >"$dir/sway.log" 2>&1 &
    pids=$!
    i=0
    until ls "$XDG_RUNTIME_DIR" | grep -q '^sway-ipc' && ls "$XDG_RUNTIME_DIR" | grep -q '^wayland-.$'; do
        i=$((i + 1))
        [ $i -gt 200 ] && { cat "$dir/sway.log" >&2; skip "sway did not start"; }
        kill -0 $pids 2>/dev/null || { cat "$dir/sway.log" >&2; skip "sway exited at start"; }
        sleep 0.05
    done
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls -d wayland-? | head -n 1)
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -n 1)
    export WAYLAND_DISPLAY SWAYSOCK
    # Only the wlr and gtk portal back-ends: another desktop's one (KDE's, for the shortcuts) is
    # started by the portal for interfaces these lack, and stalls it for the bus timeout.
    mkdir -p "$dir/portals"
    for portal in wlr gtk; do
        ln -s "/usr/share/xdg-desktop-portal/portals/$portal.portal" "$dir/portals/"
    done
    export XDG_DESKTOP_PORTAL_DIR="$dir/portals"
    # The portal back-ends are started by the bus and need to reach this compositor.
    dbus-update-activation-environment WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
        XDG_RUNTIME_DIR HOME XDG_DESKTOP_PORTAL_DIR
    pipewire >"$dir/pipewire.log" 2>&1 &
    pids="$pids $!"
    wireplumber >"$dir/wireplumber.log" 2>&1 &
    pids="$pids $!"
    i=0
    until [ "$(swaymsg -t get_outputs -r | grep -c '"name": "HEADLESS')" = 2 ]; do
        i=$((i + 1)); [ $i -gt 100 ] && skip "sway shows no two outputs"
        sleep 0.05
    done
    # The wlr back-end loses a call that comes while it starts (the portal then waits 25 s for
    # it): start it now and wait until it answers.
    i=0
    until dbus-send --session --print-reply --reply-timeout=300 --dest=org.freedesktop.impl.portal.desktop.wlr \
            /org/freedesktop/portal/desktop org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1; do
        i=$((i + 1)); [ $i -gt 50 ] && skip "the wlr portal back-end does not answer"
    done
    set +e
    QT_QPA_PLATFORM=wayland "$@"
    rc=$?
    [ $rc = 0 ] || [ $rc = 77 ] || tail -n 20 "$dir/sway.log" >&2
    exit $rc
fi

for tool in sway swaymsg dbus-run-session pipewire wireplumber; do
    command -v $tool >/dev/null || skip "$tool is not installed"
done
[ -x /usr/libexec/xdg-desktop-portal-wlr ] || skip "xdg-desktop-portal-wlr is not installed"

if [ "$(id -u)" != 0 ]; then
    [ -e /tmp/out.png ] && [ ! -O /tmp/out.png ] && skip "/tmp/out.png belongs to another user"
    dir=$(mktemp -d)
    trap 'rm -rf "$dir"' EXIT INT TERM
    mkdir -m 700 "$dir/run" "$dir/home"
    SWAY_SESSION_DIR=$dir dbus-run-session -- "$here/sway-session.sh" --inner "$@"
    exit $?
fi

# A private /tmp for the session: the portal's fixed output file and our session files.
if [ -z "${SWAY_SESSION_PRIVATE_TMP:-}" ] && unshare --mount true 2>/dev/null; then
    # Everything else of the shared /tmp is bound back in place (the project may live there),
    # reached through a descriptor opened before the new /tmp hides it.
    SWAY_SESSION_PRIVATE_TMP=1 exec unshare --mount --propagation private sh -c '
        exec 3</tmp
        mount -t tmpfs -o mode=1777 tmpfs /tmp || exit 1
        ls -A /proc/self/fd/3 | while IFS= read -r name; do
            [ "$name" = out.png ] && continue
            if [ -d "/proc/self/fd/3/$name" ]; then mkdir "/tmp/$name"; else touch "/tmp/$name"; fi
            # What cannot be bound (a dangling link) is left out.
            mount --no-canonicalize --bind "/proc/self/fd/3/$name" "/tmp/$name" 2>/dev/null || rm -d "/tmp/$name"
        done
        exec 3<&- "$0" "$@"' "$0" "$@"
fi
# Without a private /tmp, the portal's fixed output file must be free to write.
if [ -z "${SWAY_SESSION_PRIVATE_TMP:-}" ] && [ -e /tmp/out.png ] && [ "$(stat -c %u /tmp/out.png)" != $uid ]; then
    skip "/tmp/out.png belongs to another user"
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir -m 700 "$dir/run" "$dir/home"
chown -R $uid:$gid "$dir"
set +e
SWAY_SESSION_DIR=$dir setpriv --reuid=$uid --regid=$gid --clear-groups \
    dbus-run-session -- "$here/sway-session.sh" --inner "$@"
