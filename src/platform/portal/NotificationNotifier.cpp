// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/NotificationNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vellumix {
namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString appId = QStringLiteral("io.github.vellumix.Vellumix");
} // namespace

NotificationNotifier::NotificationNotifier(std::unique_ptr<Notifier> fallback, QObject* parent)
    : QObject(parent), m_fallback(std::move(fallback))
{
    m_expiry.setSingleShot(true);
    m_expiry.setInterval(lifetimeMs);
    connect(&m_expiry, &QTimer::timeout, this, &NotificationNotifier::close);
}

NotificationNotifier::~NotificationNotifier() = default;

void NotificationNotifier::notify(const QString& message)
{
    m_stopped = false;
    if (m_sending) {
        m_next = message;
        return;
    }
    send(message);
}

void NotificationNotifier::send(const QString& message)
{
    m_sending = true;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("transient"), true},
                            {QStringLiteral("desktop-entry"), appId},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call.setArguments(
        {QStringLiteral("Vellumix"), m_id, appId, message, QString(), QStringList(), hints, int(lifetimeMs)});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, message] {
        watcher->deleteLater();
        m_sending = false;
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            m_id = 0;
            if (m_fallback && !m_stopped)
                m_fallback->notify(message);
        } else {
            m_id = reply.value();
            m_expiry.start();
        }
        if (m_stopped)
            close();
        else if (const std::optional<QString> next = std::exchange(m_next, std::nullopt))
            send(*next);
    });
}

void NotificationNotifier::close()
{
    m_expiry.stop();
    if (m_id == 0)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, service, QStringLiteral("CloseNotification"));
    call.setArguments({std::exchange(m_id, 0u)});
    QDBusConnection::sessionBus().send(call);
}

void NotificationNotifier::stop()
{
    m_stopped = true;
    m_next.reset();
    close();
    if (m_fallback)
        m_fallback->stop();
}

} // namespace vellumix
