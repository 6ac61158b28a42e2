// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kde/KGlobalAccelHotKeyBackend.h"

#include "platform/PlatformLoader.h"
#include "platform/portal/PortalHotKeyBackend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QKeySequence>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <array>

namespace vellumix {
namespace kde {

// One key sequence as kglobalaccel marshals a QKeySequence: up to four combined keys.
struct Keys
{
    QList<int> codes;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Keys& keys)
{
    argument.beginStructure();
    argument << keys.codes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Keys& keys)
{
    argument.beginStructure();
    argument >> keys.codes;
    argument.endStructure();
    return argument;
}

} // namespace kde
} // namespace vellumix

Q_DECLARE_METATYPE(vellumix::kde::Keys)

namespace vellumix {
namespace {

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString path = QStringLiteral("/kglobalaccel");
const QString interfaceName = QStringLiteral("org.kde.KGlobalAccel");
const QString componentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// setShortcutKeys() flags.
constexpr uint setPresent = 2;
constexpr uint isDefault = 8;

constexpr std::array<std::pair<std::uint32_t, Qt::KeyboardModifier>, 4> modifierFlags{
    {{0x100, Qt::ControlModifier},
     {0x200, Qt::ShiftModifier},
     {0x800, Qt::AltModifier},
     {0x1000, Qt::MetaModifier}}};

// Keysyms outside Latin-1 that a shortcut may use, and Qt's names for them.
constexpr std::array<std::pair<std::uint32_t, int>, 11> specialKeys{{
    {XKB_KEY_Home, Qt::Key_Home},
    {XKB_KEY_End, Qt::Key_End},
    {XKB_KEY_Left, Qt::Key_Left},
    {XKB_KEY_Up, Qt::Key_Up},
    {XKB_KEY_Right, Qt::Key_Right},
    {XKB_KEY_Down, Qt::Key_Down},
    {XKB_KEY_Prior, Qt::Key_PageUp},
    {XKB_KEY_Next, Qt::Key_PageDown},
    {XKB_KEY_Insert, Qt::Key_Insert},
    {XKB_KEY_Print, Qt::Key_Print},
    {XKB_KEY_Pause, Qt::Key_Pause},
}};

QDBusMessage call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interfaceName, method);
    message.setArguments(arguments);
    return message;
}

QVariant keyList(int combination)
{
    QList<kde::Keys> keys;
    if (combination != 0)
        keys.append({{combination, 0, 0, 0}});
    return QVariant::fromValue(keys);
}

} // namespace

KGlobalAccelHotKeyBackend::KGlobalAccelHotKeyBackend(std::optional<SettingsPage> settings, QObject* parent)
    : HotKeyBackend(parent), m_settings(std::move(settings))
{
    qDBusRegisterMetaType<kde::Keys>();
    qDBusRegisterMetaType<QList<kde::Keys>>();
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask.setArguments({service});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<bool> reply = *watcher;
        if (reply.isError() || !reply.value()) {
            m_state = State::Unavailable;
            for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
                it->wanted = false;
                if (std::exchange(it->pending, false))
                    Q_EMIT registered(it.key(), -1);
            }
            Q_EMIT availabilityChanged();
            return;
        }
        m_state = State::Ready;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (std::exchange(it->pending, false))
                send(it.key());
        }
    });
}

KGlobalAccelHotKeyBackend::~KGlobalAccelHotKeyBackend()
{
    if (m_state != State::Ready)
        return;
    // Inactive actions keep their bindings in KDE's settings but no longer hold the keys.
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        QDBusConnection::sessionBus().send(call(QStringLiteral("setInactive"), {actionId(it.key())}));
}

HotKeyBackend::Capabilities KGlobalAccelHotKeyBackend::capabilities() const
{
    if (m_state == State::Unavailable)
        return {};
    Capabilities capabilities = Capability::Register | Capability::DesktopSettings;
    if (m_settings)
        capabilities |= Capability::DesktopDialog;
    return capabilities;
}

QString KGlobalAccelHotKeyBackend::unavailableReason() const
{
    return m_state == State::Unavailable ? PlatformText::waylandWithoutShortcuts() : QString();
}

int KGlobalAccelHotKeyBackend::qtCombination(std::uint32_t keycode, std::uint32_t modifiers)
{
    const std::uint32_t sym = PortalHotKeyBackend::keysym(keycode);
    int key = 0;
    if (sym > 0x20 && sym < 0x100)
        key = int(xkb_keysym_to_upper(sym)); // Qt names Latin-1 keys by their upper-case code
    else if (sym == XKB_KEY_space)
        key = Qt::Key_Space;
    else if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F35)
        key = Qt::Key_F1 + int(sym - XKB_KEY_F1);
    for (const auto& [special, qtKey] : specialKeys) {
        if (sym == special)
            key = qtKey;
    }
    if (key == 0)
        return 0;
    Qt::KeyboardModifiers flags;
    for (const auto& [bit, flag] : modifierFlags) {
        if (modifiers & bit)
            flags |= flag;
    }
    return QKeyCombination(flags, Qt::Key(key)).toCombined();
}

void KGlobalAccelHotKeyBackend::describeHotKey(int id, const QString& name, const QString& description)
{
    Entry& entry = m_entries[id];
    entry.name = name;
    entry.description = description;
}

QString KGlobalAccelHotKeyBackend::boundTrigger(int id) const
{
    return m_entries.value(id).bound;
}

void KGlobalAccelHotKeyBackend::openDesktopSettings()
{
    if (m_settings)
        m_settings->open();
}

QStringList KGlobalAccelHotKeyBackend::actionId(int id) const
{
    const Entry entry = m_entries.value(id);
    const QString name = entry.name.isEmpty() ? QStringLiteral("shortcut-%1").arg(id) : entry.name;
    return {component, name, QStringLiteral("Vellumix"),
            entry.description.isEmpty() ? name : entry.description};
}

void KGlobalAccelHotKeyBackend::registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers)
{
    Entry& entry = m_entries[id];
    entry.combination = qtCombination(keycode, modifiers);
    entry.wanted = true;
    if (m_state == State::Unavailable) {
        entry.wanted = false;
        Q_EMIT registered(id, -1);
    } else if (m_state == State::Probing) {
        entry.pending = true;
    } else {
        send(id);
    }
}

void KGlobalAccelHotKeyBackend::send(int id)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QStringList action = actionId(id);
    const int combination = m_entries.value(id).combination;
    // One connection delivers in order: the action exists before its keys are set.
    bus.send(call(QStringLiteral("doRegister"), {action}));
    bus.send(call(QStringLiteral("setShortcutKeys"), {action, keyList(combination), isDefault}));
    listen();
    // Without NoAutoloading a key the user chose in KDE's settings wins over ours.
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(call(QStringLiteral("setShortcutKeys"), {action, keyList(combination), setPresent})),
        this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, id] {
        watcher->deleteLater();
        const QDBusPendingReply<QList<kde::Keys>> reply = *watcher;
        Entry& entry = m_entries[id];
        const QList<kde::Keys> keys = reply.isError() ? QList<kde::Keys>() : reply.value();
        const int assigned = keys.isEmpty() || keys.first().codes.isEmpty() ? 0 : keys.first().codes.first();
        entry.bound =
            assigned == 0
                ? QString()
                : QKeySequence(QKeyCombination::fromCombined(assigned)).toString(QKeySequence::NativeText);
        entry.wanted = entry.wanted && assigned != 0;
        Q_EMIT registered(id, reply.isError() ? -1 : (assigned != 0 ? 0 : declined));
    });
}

void KGlobalAccelHotKeyBackend::listen()
{
    if (std::exchange(m_listening, true))
        return;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call(QStringLiteral("getComponent"), {component})), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            m_listening = false;
            return;
        }
        // No sender in the match: naming the service would make QtDBus look its owner up blocking.
        QDBusConnection::sessionBus().connect(QString(), reply.value().path(), componentInterface,
                                              QStringLiteral("globalShortcutPressed"), this,
                                              SLOT(onPressed(QString, QString, qlonglong)));
    });
}

void KGlobalAccelHotKeyBackend::unregisterHotKey(int id)
{
    // The action stays with the service, which the user's settings refer to; its presses are ignored.
    if (auto it = m_entries.find(id); it != m_entries.end())
        it->wanted = false;
}

void KGlobalAccelHotKeyBackend::onPressed(const QString& pressedComponent, const QString& action, qlonglong)
{
    if (pressedComponent != component)
        return;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (it->wanted && actionId(it.key()).at(1) == action)
            Q_EMIT activated(it.key());
    }
}

} // namespace vellumix
