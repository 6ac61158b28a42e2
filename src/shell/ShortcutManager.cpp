// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ShortcutManager.h"
#include "model/UserDefaults.h"
#include "platform/HotKeyBackend.h"

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
    connect(&m_backend, &HotKeyBackend::registrationLost, this, &ShortcutManager::onLost);
    registerAll();
}

ShortcutManager::~ShortcutManager()
{
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

void ShortcutManager::setError(const std::optional<QString>& error)
{
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
    m_registered.clear();
}

void ShortcutManager::registerAll()
{
    unregisterAll();
    std::optional<QString> error;
    const QString reason = m_backend.unavailableReason();
    if (!reason.isEmpty()) {
        m_registered.fill(false, m_shortcuts.size());
        setError(reason);
        return;
    }
    for (qsizetype i = 0; i < m_shortcuts.size(); ++i) {
        const Shortcut& shortcut = m_shortcuts[i];
        const int status = m_backend.registerHotKey(int(i) + 1, shortcut.key, shortcut.modifiers);
        if (status != 0)
            error = refusedMessage(shortcut.label, status);
        m_registered.append(status == 0);
    }
    setError(error);
}

void ShortcutManager::set(const Shortcut& shortcut, int index)
{
    if (index < 0 || index >= m_shortcuts.size())
        return;
    for (qsizetype i = 0; i < m_shortcuts.size(); ++i) {
        if (i != index && m_shortcuts[i].key == shortcut.key &&
            m_shortcuts[i].modifiers == shortcut.modifiers) {
            setError(alreadyAssignedMessage());
            return;
        }
    }
    const QList<Shortcut> previous = m_shortcuts;
    m_shortcuts[index] = shortcut;
    registerAll();
    if (!m_error) {
        m_store.set(storeKey, Shortcut::encode(m_shortcuts));
        Q_EMIT shortcutsChanged();
        return;
    }
    const std::optional<QString> kept = m_error;
    m_shortcuts = previous;
    registerAll();
    setError(kept);
}

void ShortcutManager::reset()
{
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
    if (m_action)
        m_action(index);
    Q_EMIT triggered(index);
}

void ShortcutManager::onLost(int id, int status)
{
    const int index = id - 1;
    if (index < 0 || index >= m_registered.size())
        return;
    m_registered[index] = false;
    setError(refusedMessage(m_shortcuts[index].label, status));
}

} // namespace vellumix
