// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"

#include <QMap>
#include <QPair>

// Records registrations and refuses the combinations it is told to, with the given status.
class FakeHotKeyBackend final : public vellumix::HotKeyBackend
{
    Q_OBJECT
public:
    using Combination = QPair<std::uint32_t, std::uint32_t>;

    QString unavailableReason() const override { return {}; }
    int registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override
    {
        const int status = refused.value({keycode, modifiers}, 0);
        if (status == 0)
            registered.insert(id, {keycode, modifiers});
        return status;
    }
    void unregisterHotKey(int id) override { registered.remove(id); }

    void press(int id) { Q_EMIT activated(id); }
    void lose(int id, int status)
    {
        registered.remove(id);
        Q_EMIT registrationLost(id, status);
    }

    QMap<Combination, int> refused;
    QMap<int, Combination> registered;
};
