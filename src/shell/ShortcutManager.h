// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"
#include "shell/Shortcut.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWindow>

#include <optional>
#include <utility>

namespace vellumix {

class UserDefaults;

// Keeps the four global shortcuts, registers them with the hot-key back-end and reports which
// action was pressed. Registration and validation problems end up in error(). Registration is
// asynchronous: a change is stored, or rolled back, once the back-end has answered for every
// shortcut.
class ShortcutManager final : public QObject
{
    Q_OBJECT
public:
    static inline const QString storeKey = QStringLiteral("shortcuts");

    // Loads the stored shortcuts (the defaults when they are missing or invalid) and registers.
    ShortcutManager(UserDefaults& store, HotKeyBackend& backend, QObject* parent = nullptr);
    ~ShortcutManager() override;

    const QList<Shortcut>& shortcuts() const { return m_shortcuts; }
    const std::optional<QString>& error() const { return m_error; }
    // The settings window writes its own validation message here.
    void setError(const std::optional<QString>& error);
    // Whether the back-end still owes an answer.
    bool isRegistering() const { return m_waiting > 0; }

    void registerAll();
    // While a shortcut is recorded our own combinations must reach the recorder: suspend() gives
    // them up, resume() registers them again. Both nest once and are harmless when repeated.
    // With a window, the keyboard is grabbed for it meanwhile, so that combinations the desktop
    // or other programs hold reach it too.
    void suspend(QWindow* window = nullptr);
    void resume();
    bool holdsKeyboard() const { return !m_grabWindow.isNull(); }
    bool isSuspended() const { return m_suspended; }
    // Why the shortcut at `index` is not registered; nothing while it holds.
    std::optional<QString> rowError(qsizetype index) const;
    // Whether the application can register combinations itself in this session.
    bool canRegister() const;
    // The back-end's, which a desktop service may change once it has answered.
    HotKeyBackend::Capabilities capabilities() const;
    // What the desktop bound for the shortcut at `index`, in its own words; none when it is
    // not bound.
    std::optional<QString> boundTrigger(qsizetype index) const;
    // Where the desktop owns the triggers: its own dialog for changing them.
    void openDesktopSettings();
    void set(const Shortcut& shortcut, ShortcutAction action);
    void reset();

    static QString alreadyAssignedMessage();
    static QString refusedMessage(const QString& label, int status);
    static QString unacceptableMessage();
    static QString statusMessage(int status);
    static QString declinedMessage();
    // The stable name and the sentence a desktop lists for the action in its own settings.
    static std::pair<QString, QString> actionDescription(ShortcutAction action);

Q_SIGNALS:
    void shortcutsChanged();
    void errorChanged();
    // A round of registrations ended; rowError() tells how each went.
    void registrationsChanged();
    // On the GUI thread, after the hot-key event has been handled.
    void triggered(vellumix::ShortcutAction action);

private:
    struct Change
    {
        QList<Shortcut> previous;
    };

    void unregisterAll();
    void releaseKeyboard();
    void onRegistered(int id, int status);
    void finishRound();
    void onActivated(int id);
    void onLost(int id, int status);

    UserDefaults& m_store;
    HotKeyBackend& m_backend;
    QList<Shortcut> m_shortcuts;
    std::optional<QString> m_error;
    QList<bool> m_registered;
    QList<int> m_status;
    bool m_suspended = false;
    QPointer<QWindow> m_grabWindow;
    // The round of registrations under way: answers still owed, the first refusal, and the
    // change it decides (none for a plain registration).
    int m_waiting = 0;
    std::optional<QString> m_roundError;
    std::optional<Change> m_change;
    // A refusal that survives the roll back's own round.
    std::optional<QString> m_keptError;
};

} // namespace vellumix
