// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace vellumix {

// The desktop's global hot-key service: register a keyboard position with a modifier mask
// (Shortcut's stored bits) under an id, be told when it is pressed.
class HotKeyBackend : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Empty when hot keys work in this session; otherwise a sentence saying why they do not.
    virtual QString unavailableReason() const = 0;
    // 0 on success, otherwise the service's own status (an X11 error code such as 10).
    // A refused registration leaves nothing behind.
    virtual int registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) = 0;
    virtual void unregisterHotKey(int id) = 0;

    // The mechanism for the running platform: X11 grabs under xcb, otherwise one that explains
    // why shortcuts are unavailable.
    static std::unique_ptr<HotKeyBackend> create(QObject* parent = nullptr);

Q_SIGNALS:
    // May be emitted from inside the native event handler; receivers queue their work.
    void activated(int id);
    // A registration the service dropped on its own (for example after a keyboard change).
    void registrationLost(int id, int status);
};

} // namespace vellumix
