// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ShortcutManager.h"
#include "model/UserDefaults.h"

namespace vellumix {
namespace {
constexpr int shortcutCount = 4;
}

ShortcutManager::ShortcutManager(UserDefaults& store, HotKeyBackend& backend, QObject* parent)
    : QObject(parent), m_store(store), m_backend(backend), m_shortcuts(Shortcut::defaults())
{
    if (const auto data = m_store.data(storeKey)) {
        const auto stored = Shortcut::decode(*data);
        if (stored && stored->size() == shortcutCount)
            m_shortcuts = *stored;
    }
    // Queued: the action must never run inside the native event handler.
    connect(&m_backend, &HotKeyBackend::activated, this, &ShortcutManager::onActivated, Qt::QueuedConnection);
    connect(&m_backend, &HotKeyBackend::registered, this, &ShortcutManager::onRegistered);
    connect(&m_backend, &HotKeyBackend::registrationLost, this, &ShortcutManager::onLost);
    connect(&m_backend, &HotKeyBackend::availabilityChanged, this, &ShortcutManager::registerAll);
    registerAll();
}

ShortcutManager::~ShortcutManager()
{
    releaseKeyboard();
    unregisterAll();
}

QString ShortcutManager::alreadyAssignedMessage()
{
    return tr("That shortcut is already assigned in Vellumix.");
}

QString ShortcutManager::refusedMessage(const QString& label, int status)
{
    return tr("Shortcut %1 could not be registered (%2). Choose a different combination.")
        .arg(label, QString::number(status));
}

QString ShortcutManager::unacceptableMessage()
{
    return tr("Use Ctrl or Super with a non-reserved key. Console-switching and screen-lock "
              "shortcuts are reserved.");
}

QString ShortcutManager::statusMessage(int status)
{
    if (status == 10)
        return tr("Another program holds this combination (BadAccess).");
    return tr("Could not be registered (%1).").arg(status);
}

bool ShortcutManager::canRegister() const
{
    return m_backend.capabilities().testFlag(HotKeyBackend::Capability::Register) &&
           m_backend.unavailableReason().isEmpty();
}

QString ShortcutManager::declinedMessage()
{
    return tr("The desktop did not bind this shortcut.");
}

HotKeyBackend::Capabilities ShortcutManager::capabilities() const
{
    return m_backend.capabilities();
}

std::optional<QString> ShortcutManager::boundTrigger(qsizetype index) const
{
    if (index < 0 || index >= m_status.size() || m_status[index] != 0 || !m_registered[index])
        return std::nullopt;
    const QString trigger = m_backend.boundTrigger(int(index) + 1);
    return trigger.isEmpty() ? m_shortcuts[index].label : trigger;
}

void ShortcutManager::openDesktopSettings()
{
    m_backend.openDesktopSettings();
}

std::optional<QString> ShortcutManager::rowError(qsizetype index) const
{
    if (const QString reason = m_backend.unavailableReason(); !reason.isEmpty())
        return reason;
    if (m_suspended || index < 0 || index >= m_status.size() || m_status[index] == 0)
        return std::nullopt;
    if (capabilities().testFlag(HotKeyBackend::Capability::DesktopSettings))
        return declinedMessage();
    return statusMessage(m_status[index]);
}

void ShortcutManager::suspend(QWindow* window)
{
    if (!m_suspended) {
        m_suspended = true;
        unregisterAll();
        Q_EMIT registrationsChanged();
    }
    if (window && !m_grabWindow && m_backend.grabKeyboard(*window))
        m_grabWindow = window;
}

void ShortcutManager::releaseKeyboard()
{
    if (const QPointer<QWindow> window = std::exchange(m_grabWindow, nullptr))
        m_backend.releaseKeyboard(*window);
}

void ShortcutManager::resume()
{
    releaseKeyboard();
    if (!m_suspended)
        return;
    registerAll();
}

void ShortcutManager::setError(const std::optional<QString>& error)
{
    // A round still under way would otherwise replace the message when it ends.
    if (isRegistering())
        m_keptError = error;
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}

void ShortcutManager::unregisterAll()
{
    for (qsizetype i = 0; i < m_registered.size(); ++i) {
        if (m_registered[i])
            m_backend.unregisterHotKey(int(i) + 1);
    }
    m_registered.fill(false, m_shortcuts.size());
}

void ShortcutManager::registerAll()
{
    m_suspended = false;
    releaseKeyboard();
    unregisterAll();
    m_status.fill(0, m_shortcuts.size());
    const QString reason = m_backend.unavailableReason();
    if (!reason.isEmpty()) {
        m_waiting = 0;
        m_change.reset();
        m_keptError.reset();
        setError(reason);
        Q_EMIT registrationsChanged();
        return;
    }
    m_roundError.reset();
    m_waiting = int(m_shortcuts.size());
    // The back-end may answer inside each call; the round is set up before the first.
    for (qsizetype i = 0; i < m_shortcuts.size(); ++i) {
        const auto [name, description] = actionDescription(ShortcutAction(i));
        m_backend.describeHotKey(int(i) + 1, name, description);
        m_backend.registerHotKey(int(i) + 1, m_shortcuts[i].key, m_shortcuts[i].modifiers);
    }
}

std::pair<QString, QString> ShortcutManager::actionDescription(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::CaptureRegion:
        return {QStringLiteral("capture-region"), tr("Capture text from a region of the screen")};
    case ShortcutAction::CaptureRegions:
        return {QStringLiteral("capture-regions"), tr("Capture text from several regions of the screen")};
    case ShortcutAction::OpenHistory:
        return {QStringLiteral("show-history"), tr("Show the OCR history")};
    case ShortcutAction::OpenWorkspace:
        return {QStringLiteral("show-workspace"), tr("Show the Vellumix workspace")};
    }
    return {};
}

void ShortcutManager::onRegistered(int id, int status)
{
    const int index = id - 1;
    if (m_waiting == 0 || index < 0 || index >= m_shortcuts.size())
        return;
    m_registered[index] = status == 0;
    m_status[index] = status;
    if (status != 0 && !m_roundError)
        m_roundError = refusedMessage(m_shortcuts[index].label, status);
    if (--m_waiting == 0)
        finishRound();
}

void ShortcutManager::finishRound()
{
    Q_EMIT registrationsChanged();
    if (const std::optional<Change> change = std::exchange(m_change, std::nullopt)) {
        if (!m_roundError) {
            m_keptError.reset();
            m_store.set(storeKey, Shortcut::encode(m_shortcuts));
            setError(std::nullopt);
            Q_EMIT shortcutsChanged();
            return;
        }
        // The refused combination is given up and the previous ones registered again.
        m_keptError = m_roundError;
        m_shortcuts = change->previous;
        registerAll();
        return;
    }
    const std::optional<QString> kept = std::exchange(m_keptError, std::nullopt);
    setError(kept ? kept : m_roundError);
}
void ShortcutManager::set(const Shortcut& shortcut, ShortcutAction action)
{
    const qsizetype index = qsizetype(action);
    if (index < 0 || index >= m_shortcuts.size())
        return;
    for (qsizetype i = 0; i < m_shortcuts.size(); ++i) {
        if (i != index && m_shortcuts[i].key == shortcut.key &&
            m_shortcuts[i].modifiers == shortcut.modifiers) {
            setError(alreadyAssignedMessage());
            return;
        }
    }
    if (const QString reason = m_backend.unavailableReason(); !reason.isEmpty()) {
        setError(reason);
        return;
    }
    m_change = Change{m_shortcuts};
    m_shortcuts[index] = shortcut;
    registerAll();
}

void ShortcutManager::reset()
{
    m_change.reset();
    m_keptError.reset();
    m_shortcuts = Shortcut::defaults();
    registerAll();
    m_store.remove(storeKey);
    Q_EMIT shortcutsChanged();
}

void ShortcutManager::onActivated(int id)
{
    const int index = id - 1;
    if (index < 0 || index >= m_shortcuts.size())
        return;
    Q_EMIT triggered(ShortcutAction(index));
}

void ShortcutManager::onLost(int id, int status)
{
    const int index = id - 1;
    if (index < 0 || index >= m_registered.size())
        return;
    m_registered[index] = false;
    m_status[index] = status;
    Q_EMIT registrationsChanged();
    setError(refusedMessage(m_shortcuts[index].label, status));
}

} // namespace vellumix
