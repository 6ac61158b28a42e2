// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFlags>
#include <QObject>
#include <QString>

#include <cstdint>

class QWindow;

namespace vellumix {

// The desktop's global hot-key service: register a keyboard position with a modifier mask
// (Shortcut's stored bits) under an id, be told when it is pressed. Registration is a request:
// its outcome arrives through registered(), which a back-end may emit before registerHotKey()
// returns (X11) or later (a desktop service over D-Bus).
class HotKeyBackend : public QObject
{
    Q_OBJECT
public:
    enum class Capability {
        Register = 0x1,        // the application registers its own combinations
        Rebind = 0x2,          // and may change them at any time
        DesktopSettings = 0x4, // the user changes them in the desktop's own settings
        DesktopDialog = 0x8,   // which openDesktopSettings() opens
    };
    Q_DECLARE_FLAGS(Capabilities, Capability)

    using QObject::QObject;

    virtual Capabilities capabilities() const = 0;
    // Empty when hot keys work in this session; otherwise a sentence saying why they do not.
    virtual QString unavailableReason() const = 0;
    // Replaces whatever `id` held. A refused registration leaves nothing behind.
    virtual void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) = 0;
    virtual void unregisterHotKey(int id) = 0;
    // While a shortcut is being recorded, every key goes to `window`, including combinations
    // that other programs or the desktop hold. False when the session cannot do that.
    virtual bool grabKeyboard(QWindow& window)
    {
        Q_UNUSED(window)
        return false;
    }
    virtual void releaseKeyboard(QWindow& window) { Q_UNUSED(window) }
    // What the desktop lists for `id` in its own settings (a stable name and a sentence), for
    // back-ends with DesktopSettings; given before registerHotKey().
    virtual void describeHotKey(int id, const QString& name, const QString& description)
    {
        Q_UNUSED(id);
        Q_UNUSED(name);
        Q_UNUSED(description);
    }
    // The trigger the desktop really bound for `id`, in its own words; empty where the
    // registered combination itself holds.
    virtual QString boundTrigger(int id) const
    {
        Q_UNUSED(id);
        return {};
    }

    // Opens the desktop's own dialog for changing the triggers, for back-ends with DesktopDialog.
    virtual void openDesktopSettings() {}

Q_SIGNALS:
    // The outcome of a registration: 0 when it holds, otherwise the service's own status (an
    // X11 error code such as 10, BadAccess).
    void registered(int id, int status);
    // May be emitted from inside the native event handler; receivers queue their work.
    void activated(int id);
    // A registration the service dropped on its own (for example after a keyboard change).
    void registrationLost(int id, int status);
    // unavailableReason() or capabilities() changed (a desktop service answered late): register
    // again.
    void availabilityChanged();
};

Q_DECLARE_OPERATORS_FOR_FLAGS(HotKeyBackend::Capabilities)

} // namespace vellumix
