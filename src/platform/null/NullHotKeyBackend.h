// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"

namespace vellumix {

// For sessions without a hot-key service: registers nothing and says why.
class NullHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    explicit NullHotKeyBackend(QString reason, QObject* parent = nullptr)
        : HotKeyBackend(parent), m_reason(std::move(reason))
    {
    }

    Capabilities capabilities() const override { return {}; }
    QString unavailableReason() const override { return m_reason; }
    void registerHotKey(int id, std::uint32_t, std::uint32_t) override { Q_EMIT registered(id, -1); }
    void unregisterHotKey(int) override {}

private:
    QString m_reason;
};

} // namespace vellumix
