// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalHotKeyBackend.h"

#include "platform/PlatformLoader.h"
#include "platform/portal/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <xkbcommon/xkbcommon.h>

#include <array>

namespace vellumix {
namespace portal {

struct Shortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace portal
} // namespace vellumix

Q_DECLARE_METATYPE(vellumix::portal::Shortcut)

namespace vellumix {
namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// Stored modifier bits (see Shortcut) and the names freedesktop shortcut triggers give them.
constexpr std::array<std::pair<std::uint32_t, const char*>, 4> modifierNames{
    {{0x100, "CTRL"}, {0x800, "ALT"}, {0x200, "SHIFT"}, {0x1000, "LOGO"}}};

QHash<QString, QString> boundShortcuts(const QVariant& value)
{
    QHash<QString, QString> bound;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return bound;
    const auto list = qdbus_cast<QList<portal::Shortcut>>(value.value<QDBusArgument>());
    for (const portal::Shortcut& shortcut : list)
        bound.insert(shortcut.id,
                     shortcut.properties.value(QStringLiteral("trigger_description")).toString());
    return bound;
}

} // namespace

PortalHotKeyBackend::PortalHotKeyBackend(QObject* parent) : HotKeyBackend(parent)
{
    qDBusRegisterMetaType<portal::Shortcut>();
    qDBusRegisterMetaType<QList<portal::Shortcut>>();
    m_bindSoon.setSingleShot(true);
    m_bindSoon.setInterval(0);
    connect(&m_bindSoon, &QTimer::timeout, this, &PortalHotKeyBackend::bind);

    // Older portals have no GlobalShortcuts interface: its version property says whether it is there.
    QDBusMessage get = QDBusMessage::createMethodCall(portal::desktopService, portal::desktopPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({interfaceName, QStringLiteral("version")});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        m_version = reply.isError() ? 0 : reply.value().variant().toUInt();
        if (m_version < 1)
            becomeUnavailable();
        else
            createSession();
    });
}

PortalHotKeyBackend::~PortalHotKeyBackend()
{
    if (m_session.isEmpty())
        return;
    // Closing the session is what tells the desktop to drop our shortcuts.
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
        portal::desktopService, m_session, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close")));
}

HotKeyBackend::Capabilities PortalHotKeyBackend::capabilities() const
{
    if (m_state == State::Unavailable)
        return {};
    Capabilities capabilities = Capability::Register | Capability::DesktopSettings;
    // Only the second version of the interface can open the desktop's dialog again.
    if (m_version >= 2 && !m_session.isEmpty())
        capabilities |= Capability::DesktopDialog;
    return capabilities;
}

void PortalHotKeyBackend::openDesktopSettings()
{
    if (!capabilities().testFlag(Capability::DesktopDialog))
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(portal::desktopService, portal::desktopPath,
                                                       interfaceName, QStringLiteral("ConfigureShortcuts"));
    call.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QString(), QVariantMap()});
    QDBusConnection::sessionBus().send(call);
}

QString PortalHotKeyBackend::unavailableReason() const
{
    return m_state == State::Unavailable ? PlatformText::waylandWithoutShortcuts() : QString();
}

std::uint32_t PortalHotKeyBackend::keysym(std::uint32_t keycode)
{
    // The keyboard positions are named as on a US layout, whatever the user's layout is.
    static xkb_keymap* keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        xkb_keymap* map =
            context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
        xkb_context_unref(context);
        return map;
    }();
    const xkb_keysym_t* syms = nullptr;
    if (!keymap || xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms) < 1)
        return XKB_KEY_NoSymbol;
    return syms[0];
}

QString PortalHotKeyBackend::preferredTrigger(std::uint32_t keycode, std::uint32_t modifiers)
{
    const std::uint32_t sym = keysym(keycode);
    if (sym == XKB_KEY_NoSymbol)
        return {};
    std::array<char, 64> name{};
    if (xkb_keysym_get_name(sym, name.data(), name.size()) < 1)
        return {};
    QString trigger;
    for (const auto& [bit, text] : modifierNames) {
        if (modifiers & bit)
            trigger += QLatin1String(text) + u'+';
    }
    return trigger + QLatin1String(name.data());
}

void PortalHotKeyBackend::describeHotKey(int id, const QString& name, const QString& description)
{
    Entry& entry = m_entries[id];
    entry.name = name;
    entry.description = description;
}

QString PortalHotKeyBackend::boundTrigger(int id) const
{
    return m_bound.value(nameFor(id));
}

void PortalHotKeyBackend::registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers)
{
    Entry& entry = m_entries[id];
    entry.wanted = true;
    switch (m_state) {
    case State::Unavailable:
        entry.wanted = false;
        Q_EMIT registered(id, -1);
        return;
    case State::Bound:
        // A session binds once; the desktop's own settings change the triggers from here on.
        entry.wanted = m_bindStatus == 0 && m_bound.contains(nameFor(id));
        Q_EMIT registered(id, entry.wanted ? 0 : (m_bindStatus != 0 ? m_bindStatus : declined));
        return;
    default:
        entry.trigger = preferredTrigger(keycode, modifiers);
        entry.pending = true;
        if (m_state == State::Ready)
            m_bindSoon.start();
    }
}

void PortalHotKeyBackend::unregisterHotKey(int id)
{
    // The portal cannot unbind one shortcut; its activations are ignored instead.
    if (auto it = m_entries.find(id); it != m_entries.end())
        it->wanted = false;
}

int PortalHotKeyBackend::idFor(const QString& name) const
{
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (nameFor(it.key()) == name)
            return it.key();
    }
    return 0;
}

QString PortalHotKeyBackend::nameFor(int id) const
{
    const QString name = m_entries.value(id).name;
    return name.isEmpty() ? QStringLiteral("shortcut-%1").arg(id) : name;
}

void PortalHotKeyBackend::createSession()
{
    m_state = State::CreatingSession;
    const QString sessionToken = portal::newToken();
    auto* request =
        new portal::PortalRequest(interfaceName, QStringLiteral("CreateSession"), {},
                                  {{QStringLiteral("session_handle_token"), sessionToken}}, 0, this);
    connect(request, &portal::PortalRequest::answered, this,
            [this](uint response, const QVariantMap& results) {
                // A string for historical reasons; some portals send an object path.
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                m_session = handle.userType() == qMetaTypeId<QDBusObjectPath>()
                                ? handle.value<QDBusObjectPath>().path()
                                : handle.toString();
                if (response != 0 || m_session.isEmpty()) {
                    becomeUnavailable();
                    return;
                }
                QDBusConnection bus = QDBusConnection::sessionBus();
                // No sender in the match (see PortalRequest); the session argument is checked instead.
                bus.connect(QString(), portal::desktopPath, interfaceName, QStringLiteral("Activated"), this,
                            SLOT(onActivated(QDBusMessage)));
                bus.connect(QString(), portal::desktopPath, interfaceName, QStringLiteral("ShortcutsChanged"),
                            this, SLOT(onShortcutsChanged(QDBusMessage)));
                m_state = State::Ready;
                bind();
            });
    connect(request, &portal::PortalRequest::failed, this, &PortalHotKeyBackend::becomeUnavailable);
}

void PortalHotKeyBackend::bind()
{
    QList<portal::Shortcut> shortcuts;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (!it->pending)
            continue;
        QVariantMap properties{{QStringLiteral("description"), it->description}};
        if (!it->trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), it->trigger);
        shortcuts.append({nameFor(it.key()), properties});
    }
    if (m_state != State::Ready || shortcuts.isEmpty())
        return;
    m_state = State::Bound;
    auto* request = new portal::PortalRequest(
        interfaceName, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString()}, {}, 0,
        this);
    connect(request, &portal::PortalRequest::answered, this,
            [this](uint response, const QVariantMap& results) {
                finishBinding(int(response), boundShortcuts(results.value(QStringLiteral("shortcuts"))));
            });
    connect(request, &portal::PortalRequest::failed, this, [this] { finishBinding(-1, {}); });
}

void PortalHotKeyBackend::finishBinding(int status, const QHash<QString, QString>& bound)
{
    m_bindStatus = status;
    m_bound = status == 0 ? bound : QHash<QString, QString>();
    const QList<int> ids = m_entries.keys();
    for (int id : ids) {
        Entry& entry = m_entries[id];
        if (!std::exchange(entry.pending, false))
            continue;
        const bool held = status == 0 && m_bound.contains(nameFor(id));
        entry.wanted = entry.wanted && held;
        Q_EMIT registered(id, held ? 0 : (status != 0 ? status : declined));
    }
}

void PortalHotKeyBackend::becomeUnavailable()
{
    m_state = State::Unavailable;
    m_bindSoon.stop();
    const QList<int> ids = m_entries.keys();
    for (int id : ids) {
        Entry& entry = m_entries[id];
        entry.wanted = false;
        if (std::exchange(entry.pending, false))
            Q_EMIT registered(id, -1);
    }
    Q_EMIT availabilityChanged();
}

void PortalHotKeyBackend::onActivated(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    const int id = idFor(arguments.at(1).toString());
    if (id != 0 && m_entries.value(id).wanted)
        Q_EMIT activated(id);
}

void PortalHotKeyBackend::onShortcutsChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    m_bound = boundShortcuts(arguments.at(1));
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->wanted && !m_bound.contains(nameFor(it.key()))) {
            it->wanted = false;
            Q_EMIT registrationLost(it.key(), declined);
        }
    }
}

} // namespace vellumix
