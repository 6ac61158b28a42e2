// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Shortcut.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace vellumix {

class HotKeyBackend;
class UserDefaults;

// Keeps the four global shortcuts, registers them with the hot-key mechanism and reports
// which action was pressed. Registration and validation problems end up in error().
class ShortcutManager final : public QObject
{
    Q_OBJECT
public:
    static inline const QString storeKey = QStringLiteral("shortcuts");
    using Action = std::function<void(int index)>;

    // Loads the stored shortcuts (the defaults when they are missing or invalid) and registers.
    ShortcutManager(UserDefaults& store, HotKeyBackend& backend, QObject* parent = nullptr);
    ~ShortcutManager() override;

    const QList<Shortcut>& shortcuts() const { return m_shortcuts; }
    const std::optional<QString>& error() const { return m_error; }
    // The settings window writes its own validation message here.
    void setError(const std::optional<QString>& error);

    // Called with the action index on the GUI thread, after the hot-key event has been handled.
    void setAction(Action action) { m_action = std::move(action); }

    void registerAll();
    void set(const Shortcut& shortcut, int index);
    void reset();

    static QString alreadyAssignedMessage();
    static QString refusedMessage(const QString& label, int status);
    static QString unacceptableMessage();

Q_SIGNALS:
    void shortcutsChanged();
    void errorChanged();
    void triggered(int index);

private:
    void unregisterAll();
    void onActivated(int id);
    void onLost(int id, int status);

    UserDefaults& m_store;
    HotKeyBackend& m_backend;
    QList<Shortcut> m_shortcuts;
    std::optional<QString> m_error;
    Action m_action;
    QList<bool> m_registered;
};

} // namespace vellumix
