// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ClipboardWriter.h"
#include "platform/HotKeyBackend.h"
#include "platform/Notifier.h"
#include "platform/ScreenGrabber.h"
#include "platform/SoundPlayer.h"
#include "platform/TaskbarHints.h"
#include "platform/WindowActivator.h"
#include "platform/xdg/SettingsPage.h"

#include <QString>

#include <memory>

class QProcessEnvironment;

namespace vellumix {

// What kind of desktop session this process runs in. Qt may run on XWayland inside a Wayland
// session; X11 grabs and read-backs never see the other clients there, so the session decides.
enum class SessionType { X11, Wayland, None };

struct Session
{
    SessionType type = SessionType::None;
    bool qtOnX11 = false; // Qt's platform plugin is xcb (natively or through XWayland)
    Desktop desktop = Desktop::Other;
    int kdeVersion = 0; // KDE_SESSION_VERSION: Plasma's major version
};

// The session from the environment (WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY,
// XDG_CURRENT_DESKTOP, KDE_SESSION_VERSION) and Qt's platform plugin name.
Session detectSession(const QProcessEnvironment& environment, const QString& qtPlatform);

// Every platform back-end of one session, chosen together, once.
struct Platform
{
    std::unique_ptr<HotKeyBackend> hotKeys;
    std::unique_ptr<TaskbarHints> taskbar;
    std::unique_ptr<WindowActivator> activator;
    std::unique_ptr<SoundPlayer> sound;
    std::unique_ptr<ScreenGrabber> grabber;
    std::unique_ptr<Notifier> notifier;
    // Where the user allows screen capture; none where nothing needs allowing (X11) or the
    // desktop has no such place.
    std::optional<SettingsPage> captureSettings;
    // Null where Qt's own clipboard reaches the desktop.
    std::unique_ptr<ClipboardWriter> clipboard;

    Platform();
    Platform(Platform&&) noexcept;
    Platform& operator=(Platform&&) noexcept;
    ~Platform();
};

// The back-ends for `session`; a mechanism the session lacks gets its null back-end, and the
// hot keys then say why. On Wayland the hot keys are the GlobalShortcuts portal, else KDE's
// kglobalaccel (first on Plasma 5, whose portal cannot bind), else none. Needs a QGuiApplication for the X11
// ones. `find` locates programs (default: on PATH).
Platform loadPlatform(const Session& session, SettingsPage::Finder find = {});
// The same for this process's own session.
Platform loadPlatform();
// Null back-ends throughout, for tests and headless use; hot keys unavailable with `reason`.
Platform nullPlatform(const QString& reason = {});

namespace PlatformText {
QString noX11Connection();
QString noHotKeyService();
QString waylandWithoutShortcuts();
} // namespace PlatformText

} // namespace vellumix
