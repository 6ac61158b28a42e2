#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fake desktop services on the private session bus of one test: the portal's Screenshot and
GlobalShortcuts interfaces, KDE's kglobalaccel and a notification server. The test steers them through
io.github.vellumix.Fake at /fake (Configure, Calls, EmitActivated) and runs as our child:
fake_desktop.py TEST [ARGS...]."""

import json
import os
import subprocess
import sys

import dbus
import dbus.lowlevel
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
DESKTOP = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
NOTIFICATIONS = "org.freedesktop.Notifications"
FAKE = "io.github.vellumix.Fake"
KGLOBALACCEL = "org.kde.kglobalaccel"

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
DEFAULTS = {
    "screenshot_response": 0,
    "screenshot_uri": "",
    "screenshot_silent": False,
    "screenshot_error": "",
    "other_request_path": False,
    "shortcuts": True,
    "shortcuts_version": 1,
    "refuse_noninteractive": False,
    "kglobalaccel": False,
    "declined": [],
    "bind_response": 0,
    "notifications": True,
}
config = dict(DEFAULTS)
calls = []
sessions = {}


def plain(value):
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (dbus.Array, dbus.Struct, list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.String, dbus.ObjectPath)):
        return str(value)
    if isinstance(value, (int, float)):
        return value
    return str(value)


def record(member, *args):
    calls.append({"member": member, "args": plain(list(args))})


def signal(path, interface, member, signature, *args):
    message = dbus.lowlevel.SignalMessage(path, interface, member)
    message.append(*args, signature=signature)
    bus.send_message(message)


def request_path(sender, token):
    return "%s/request/%s/%s" % (DESKTOP, sender[1:].replace(".", "_"), token)


def respond_later(path, response, results, delay_ms=0):
    GLib.timeout_add(delay_ms, lambda: signal(path, "org.freedesktop.portal.Request", "Response", "ua{sv}",
                                              dbus.UInt32(response), dbus.Dictionary(results, signature="sv")) and False)


class Portal(dbus.service.Object):
    @dbus.service.method("org.freedesktop.portal.Screenshot", in_signature="sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Screenshot(self, parent, options, sender=None):
        record("Screenshot", parent, options)
        if config["refuse_noninteractive"] and not options.get("interactive", False):
            respond_later(request_path(sender, options["handle_token"]), 2, {})
            return dbus.ObjectPath(request_path(sender, options["handle_token"]))
        if config["screenshot_error"]:
            raise dbus.exceptions.DBusException("refused by the fake", name=config["screenshot_error"])
        path = request_path(sender, options["handle_token"])
        if config["other_request_path"]:
            path = DESKTOP + "/request/elsewhere/r%d" % len(calls)
        if not config["screenshot_silent"]:
            results = {"uri": config["screenshot_uri"]} if config["screenshot_uri"] else {}
            # A portal that picks its own path can only be heard once its reply is read: it
            # answers after a moment, as it would after the user's choice.
            respond_later(path, config["screenshot_response"], results, 300 if config["other_request_path"] else 0)
        return dbus.ObjectPath(path)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        record("Get", interface, name)
        if interface == SHORTCUTS and config["shortcuts"] and name == "version":
            return dbus.UInt32(config["shortcuts_version"])
        raise dbus.exceptions.DBusException("No such interface", name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        record("CreateSession", options)
        session = "%s/session/%s/%s" % (DESKTOP, sender[1:].replace(".", "_"), options["session_handle_token"])
        sessions[session] = sender
        path = request_path(sender, options["handle_token"])
        respond_later(path, 0, {"session_handle": session})
        return dbus.ObjectPath(path)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o", sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        record("BindShortcuts", session, shortcuts, parent, options)
        bound = [dbus.Struct((name, dbus.Dictionary({"description": props["description"],
                                                      "trigger_description": "Press " + props.get("preferred_trigger", "?")},
                                                     signature="sv")), signature="sa{sv}")
                 for name, props in shortcuts if name not in config["declined"]]
        path = request_path(sender, options["handle_token"])
        respond_later(path, config["bind_response"],
                      {"shortcuts": dbus.Array(bound, signature="(sa{sv})")} if config["bind_response"] == 0 else {})
        return dbus.ObjectPath(path)


    @dbus.service.method(SHORTCUTS, in_signature="osa{sv}")
    def ConfigureShortcuts(self, session, parent, options):
        record("ConfigureShortcuts", session, parent, options)


class KGlobalAccel(dbus.service.Object):
    """Assigns the keys asked for, except to the actions in `declined`; a key set as the default
    only is not an assignment."""

    @dbus.service.method("org.kde.KGlobalAccel", in_signature="as")
    def doRegister(self, action):
        record("doRegister", action)

    @dbus.service.method("org.kde.KGlobalAccel", in_signature="asa(ai)u", out_signature="a(ai)")
    def setShortcutKeys(self, action, keys, flags):
        record("setShortcutKeys", action, keys, flags)
        if action[1] in config["declined"]:
            return dbus.Array([], signature="(ai)")
        return keys

    @dbus.service.method("org.kde.KGlobalAccel", in_signature="s", out_signature="o")
    def getComponent(self, component):
        return dbus.ObjectPath("/component/" + component)

    @dbus.service.method("org.kde.KGlobalAccel", in_signature="as")
    def setInactive(self, action):
        record("setInactive", action)


class Objects(dbus.service.FallbackObject):
    """Requests under the portal's path: a Close is recorded."""

    @dbus.service.method("org.freedesktop.portal.Request", rel_path_keyword="path")
    def Close(self, path=None):
        record("Request.Close", DESKTOP + "/request" + path)


class Sessions(dbus.service.FallbackObject):
    @dbus.service.method("org.freedesktop.portal.Session", rel_path_keyword="path")
    def Close(self, path=None):
        record("Session.Close", DESKTOP + "/session" + path)


class Notifications(dbus.service.Object):
    next_id = 0

    @dbus.service.method(NOTIFICATIONS, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        record("Notify", app, replaces, icon, summary, body, actions, hints, timeout)
        if replaces:
            return replaces
        Notifications.next_id += 1
        return dbus.UInt32(Notifications.next_id)

    @dbus.service.method(NOTIFICATIONS, in_signature="u")
    def CloseNotification(self, notification):
        record("CloseNotification", notification)


class Fake(dbus.service.Object):
    @dbus.service.method(FAKE, in_signature="s")
    def Configure(self, settings):
        """Every setting at its default, then `settings` (JSON); forgets the calls so far."""
        config.clear()
        config.update(DEFAULTS)
        config.update(json.loads(settings))
        del calls[:]
        Notifications.next_id = 0
        for key, name in (("notifications", NOTIFICATIONS), ("kglobalaccel", KGLOBALACCEL)):
            if config[key]:
                names[key] = dbus.service.BusName(name, bus)
            elif key in names:
                del names[key]  # the last reference: the name is released

    @dbus.service.method(FAKE, in_signature="s", out_signature="s")
    def Calls(self, member):
        return json.dumps([c["args"] for c in calls if c["member"] == member])

    @dbus.service.method(FAKE, in_signature="s")
    def EmitActivated(self, shortcut):
        for session in sessions:
            signal(DESKTOP, SHORTCUTS, "Activated", "osta{sv}", dbus.ObjectPath(session), shortcut,
                   dbus.UInt64(0), dbus.Dictionary({}, signature="sv"))

    @dbus.service.method(FAKE, in_signature="s")
    def EmitPressed(self, action):
        signal("/component/vellumix", "org.kde.kglobalaccel.Component", "globalShortcutPressed", "ssx",
               "vellumix", action, dbus.Int64(0))

    @dbus.service.method(FAKE)
    def EmitAllRemoved(self):
        for session in sessions:
            signal(DESKTOP, SHORTCUTS, "ShortcutsChanged", "oa(sa{sv})", dbus.ObjectPath(session),
                   dbus.Array([], signature="(sa{sv})"))


names = {}
Portal(bus, DESKTOP)
Objects(bus, DESKTOP + "/request")
Sessions(bus, DESKTOP + "/session")
Notifications(bus, "/org/freedesktop/Notifications")
KGlobalAccel(bus, "/kglobalaccel")
Fake(bus, "/fake")
names["portal"] = dbus.service.BusName(PORTAL, bus)
names["notifications"] = dbus.service.BusName(NOTIFICATIONS, bus)
names["fake"] = dbus.service.BusName(FAKE, bus)

loop = GLib.MainLoop()
child = subprocess.Popen(sys.argv[1:])
status = [1]


def ended(_pid, wait_status):
    code = os.waitstatus_to_exitcode(wait_status)
    status[0] = code if code >= 0 else 128 - code
    loop.quit()


GLib.child_watch_add(GLib.PRIORITY_DEFAULT, child.pid, ended)
loop.run()
sys.exit(status[0])
