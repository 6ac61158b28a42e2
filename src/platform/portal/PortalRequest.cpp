// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalRequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>

namespace vellumix::portal {
namespace {
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
}

bool sessionBusConnected()
{
    return QDBusConnection::sessionBus().isConnected();
}

QString senderComponent()
{
    QString name = QDBusConnection::sessionBus().baseService();
    if (name.startsWith(u':'))
        name.remove(0, 1);
    return name.replace(u'.', u'_');
}

QString newToken()
{
    static int counter = 0;
    return QStringLiteral("vellumix%1_%2").arg(++counter).arg(QRandomGenerator::global()->bounded(1u << 30));
}

PortalRequest::PortalRequest(const QString& interface,
                             const QString& method,
                             const QVariantList& arguments,
                             QVariantMap options,
                             int timeoutMs,
                             QObject* parent)
    : QObject(parent)
{
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    listen(desktopPath + QStringLiteral("/request/") + senderComponent() + u'/' + token);

    QDBusMessage call = QDBusMessage::createMethodCall(desktopService, desktopPath, interface, method);
    call.setArguments(QVariantList(arguments) << options);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            fail(reply.error().name() + QStringLiteral(": ") + reply.error().message());
            return;
        }
        // Portals before the request paths were predictable answer on a path of their own.
        if (!m_done && reply.value().path() != m_path) {
            unlisten();
            listen(reply.value().path());
        }
    });

    if (timeoutMs > 0) {
        m_timeout.setSingleShot(true);
        connect(&m_timeout, &QTimer::timeout, this, [this] {
            // Tell the portal to drop the request, so a dialog does not stay up for nobody.
            QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
                desktopService, m_path, requestInterface, QStringLiteral("Close")));
            fail(QStringLiteral("the portal did not answer"));
        });
        m_timeout.start(timeoutMs);
    }
}

void PortalRequest::listen(const QString& path)
{
    m_path = path;
    // No sender in the match: naming the portal's service would make QtDBus look its owner up
    // with a blocking call. The path holds our own unique name and a fresh token.
    QDBusConnection::sessionBus().connect(QString(), m_path, requestInterface, QStringLiteral("Response"),
                                          this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::unlisten()
{
    QDBusConnection::sessionBus().disconnect(QString(), m_path, requestInterface, QStringLiteral("Response"),
                                             this, SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    unlisten();
    Q_EMIT answered(response, results);
    deleteLater();
}

void PortalRequest::fail(const QString& reason)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    unlisten();
    Q_EMIT failed(reason);
    deleteLater();
}

} // namespace vellumix::portal
