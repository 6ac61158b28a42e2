// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <QVariantMap>

namespace vellumix::portal {

inline const QString desktopService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Whether this process reaches a session bus at all.
bool sessionBusConnected();
// The path component the portal derives from our unique bus name (":1.42" -> "1_42").
QString senderComponent();
// A token no earlier request of this process used.
QString newToken();

// One portal method call that answers through an org.freedesktop.portal.Request object: the
// Response is subscribed on the predicted request path before the call goes out, so a fast
// portal cannot answer before we listen. Emits exactly one of answered() and failed(), then
// deletes itself.
class PortalRequest final : public QObject
{
    Q_OBJECT
public:
    // `arguments` precede the options map, which gets the handle_token. A timeout of 0 waits
    // for as long as the portal takes.
    PortalRequest(const QString& interface,
                  const QString& method,
                  const QVariantList& arguments,
                  QVariantMap options,
                  int timeoutMs,
                  QObject* parent = nullptr);

Q_SIGNALS:
    void answered(uint response, const QVariantMap& results);
    void failed(const QString& reason);

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    void listen(const QString& path);
    void unlisten();
    void fail(const QString& reason);

    QString m_path;
    QTimer m_timeout;
    bool m_done = false;
};

} // namespace vellumix::portal
