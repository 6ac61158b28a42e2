// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlatformLoader.h"

#include "platform/HotKeyChain.h"
#include "platform/canberra/CanberraSoundPlayer.h"
#include "platform/kde/KGlobalAccelHotKeyBackend.h"
#include "platform/null/NullHotKeyBackend.h"
#include "platform/null/NullPlatform.h"
#include "platform/portal/NotificationNotifier.h"
#include "platform/portal/PortalHotKeyBackend.h"
#include "platform/portal/PortalRequest.h"
#include "platform/portal/PortalScreenGrabber.h"
#include "platform/toast/Toast.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/FocusedClipboard.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11HotKeyBackend.h"
#include "platform/x11/X11ScreenGrabber.h"
#include "platform/x11/X11TaskbarHints.h"
#include "platform/x11/X11WindowActivator.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace vellumix {

Platform::Platform() = default;
Platform::Platform(Platform&&) noexcept = default;
Platform& Platform::operator=(Platform&&) noexcept = default;
Platform::~Platform() = default;

QString PlatformText::noX11Connection()
{
    return QCoreApplication::translate(
        "PlatformText", "Global shortcuts are unavailable: the X11 connection could not be used.");
}

QString PlatformText::noHotKeyService()
{
    return QCoreApplication::translate(
        "PlatformText", "Global shortcuts need an X11 session; this desktop session has none.");
}

QString PlatformText::waylandWithoutShortcuts()
{
    return QCoreApplication::translate("PlatformText",
                                       "This Wayland session offers Vellumix no global shortcuts. Bind the "
                                       "command “vellumix capture” to a key in your desktop’s "
                                       "keyboard settings.");
}

Session detectSession(const QProcessEnvironment& environment, const QString& qtPlatform)
{
    Session session;
    session.qtOnX11 = qtPlatform == QLatin1String("xcb");
    session.desktop = desktopFrom(environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")));
    session.kdeVersion = environment.value(QStringLiteral("KDE_SESSION_VERSION")).toInt();
    const QString type = environment.value(QStringLiteral("XDG_SESSION_TYPE")).toLower();
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() || type == QLatin1String("wayland"))
        session.type = SessionType::Wayland;
    else if (session.qtOnX11 || type == QLatin1String("x11"))
        session.type = SessionType::X11;
    return session;
}

Platform nullPlatform(const QString& reason)
{
    Platform platform;
    platform.hotKeys = std::make_unique<NullHotKeyBackend>(reason);
    platform.taskbar = std::make_unique<NullTaskbarHints>();
    platform.activator = std::make_unique<NullWindowActivator>();
    platform.sound = std::make_unique<NullSoundPlayer>();
    platform.grabber = std::make_unique<NullScreenGrabber>();
    platform.notifier = std::make_unique<NullNotifier>();
    return platform;
}

Platform loadPlatform(const Session& session, SettingsPage::Finder find)
{
    if (!find)
        find = [](const QString& program) { return QStandardPaths::findExecutable(program); };
    Platform platform = nullPlatform(PlatformText::noHotKeyService());
    platform.sound = std::make_unique<CanberraSoundPlayer>();
    // The toast window is drawn by Qt; until a notification back-end exists it stands in everywhere.
    platform.notifier = std::make_unique<Toast>();
    // Qt's read-back is the only snapshot road so far; under Wayland it sees only XWayland.
    platform.grabber = std::make_unique<X11ScreenGrabber>();

    if (session.type == SessionType::Wayland) {
        platform.captureSettings = SettingsPage::screenCapture(session.desktop, find);
        if (!session.qtOnX11)
            platform.clipboard = DataControlClipboard::create();
        if (!platform.clipboard && QGuiApplication::platformName() == QLatin1String("wayland"))
            platform.clipboard = std::make_unique<FocusedClipboard>(QGuiApplication::clipboard());
        if (!portal::sessionBusConnected()) {
            platform.hotKeys = std::make_unique<NullHotKeyBackend>(PlatformText::waylandWithoutShortcuts());
            return platform;
        }
        // Whether the desktop offers each service is found out without blocking: the shortcut
        // back-end turns unavailable when the portal lacks the interface, the notifier hands its
        // message to the toast when no notification server answers.
        platform.grabber = std::make_unique<PortalScreenGrabber>();
        platform.notifier = std::make_unique<NotificationNotifier>(std::make_unique<Toast>());
        std::vector<std::unique_ptr<HotKeyBackend>> hotKeys;
        hotKeys.push_back(std::make_unique<PortalHotKeyBackend>());
        // Plasma 5's portal has the interface but only opens the settings instead of binding.
        const bool plasma5 =
            session.desktop == Desktop::Kde && session.kdeVersion > 0 && session.kdeVersion < 6;
        hotKeys.insert(plasma5 ? hotKeys.begin() : hotKeys.end(),
                       std::make_unique<KGlobalAccelHotKeyBackend>(SettingsPage::kdeShortcuts(find)));
        hotKeys.push_back(std::make_unique<NullHotKeyBackend>(PlatformText::waylandWithoutShortcuts()));
        platform.hotKeys = std::make_unique<HotKeyChain>(std::move(hotKeys));
        return platform;
    }
    if (session.type != SessionType::X11 || !session.qtOnX11)
        return platform;
    if (auto hotKeys = X11HotKeyBackend::create())
        platform.hotKeys = std::move(hotKeys);
    else
        platform.hotKeys = std::make_unique<NullHotKeyBackend>(PlatformText::noX11Connection());
    platform.notifier = std::make_unique<Toast>(&X11Compositor::isRunning);
    if (auto taskbar = X11TaskbarHints::create())
        platform.taskbar = std::move(taskbar);
    if (auto activator = X11WindowActivator::create())
        platform.activator = std::move(activator);
    return platform;
}

Platform loadPlatform()
{
    return loadPlatform(
        detectSession(QProcessEnvironment::systemEnvironment(), QGuiApplication::platformName()));
}

} // namespace vellumix
