// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifier.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace vellumix {

// The confirmation as a desktop notification (org.freedesktop.Notifications), for sessions where
// a client cannot place a window of its own that leaves the focus alone (Wayland). Each one
// replaces the one shown, is transient, and is closed after the lifetime even by servers that
// ignore the expiry. Without a notification server the message goes to `fallback`.
class NotificationNotifier final : public QObject, public Notifier
{
    Q_OBJECT
public:
    explicit NotificationNotifier(std::unique_ptr<Notifier> fallback = {}, QObject* parent = nullptr);
    ~NotificationNotifier() override;

    void notify(const QString& message) override;
    void stop() override;

private:
    void send(const QString& message);
    void close();

    std::unique_ptr<Notifier> m_fallback;
    uint m_id = 0;
    bool m_sending = false;
    bool m_stopped = false;
    // A message that came while the previous Notify was unanswered: it must replace that one,
    // whose id is not known yet.
    std::optional<QString> m_next;
    QTimer m_expiry;
};

} // namespace vellumix
