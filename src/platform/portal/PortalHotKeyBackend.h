// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QTimer>

class QDBusMessage;
class QDBusObjectPath;

namespace vellumix {

// Global shortcuts through the GlobalShortcuts portal. The desktop owns the triggers: our
// combinations are only its preferred ones, the user may change or decline each, and what it
// really bound comes back in the answer. One session for the process's life, bound once; later
// registrations are answered from that binding. Until the portal says it has the interface
// nothing is refused; a portal without it makes the back-end unavailable, with the reason.
class PortalHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    // The status of a shortcut the desktop did not bind; a refused request gives the portal's
    // own response code, a failed call -1.
    static constexpr int declined = 1;

    explicit PortalHotKeyBackend(QObject* parent = nullptr);
    ~PortalHotKeyBackend() override;

    Capabilities capabilities() const override;
    QString unavailableReason() const override;
    void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void unregisterHotKey(int id) override;
    void describeHotKey(int id, const QString& name, const QString& description) override;
    QString boundTrigger(int id) const override;
    void openDesktopSettings() override;

    // The trigger as freedesktop shortcut triggers write it ("CTRL+ALT+SHIFT+1"),
    // from a keycode and the stored modifier bits; empty when the key has no name.
    static QString preferredTrigger(std::uint32_t keycode, std::uint32_t modifiers);
    // The keysym at a keyboard position, unshifted; XKB_KEY_NoSymbol (0) when there is none.
    static std::uint32_t keysym(std::uint32_t keycode);

private Q_SLOTS:
    void onActivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);

private:
    enum class State { Probing, CreatingSession, Ready, Bound, Unavailable };
    struct Entry
    {
        QString name;
        QString description;
        QString trigger;
        bool wanted = false;
        bool pending = false; // owes a registered() answer
    };

    void createSession();
    void bind();
    void finishBinding(int status, const QHash<QString, QString>& bound);
    void becomeUnavailable();
    int idFor(const QString& name) const;
    QString nameFor(int id) const;

    State m_state = State::Probing;
    uint m_version = 0;
    QString m_session;
    QMap<int, Entry> m_entries;      // by id: bindings and answers go in the order of the ids
    QHash<QString, QString> m_bound; // portal id -> trigger description
    int m_bindStatus = 0;
    QTimer m_bindSoon;
};

} // namespace vellumix
