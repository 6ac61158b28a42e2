// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace vellumix {

namespace {

const QByteArray acknowledged = QByteArrayLiteral("ok\n");
const QByteArray refused = QByteArrayLiteral("error\n");
const QByteArray busy = QByteArrayLiteral("busy\n");

bool answers(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(500);
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtime.isEmpty() ? QDir::tempPath() : runtime).filePath(QStringLiteral("vellumix"));
}

bool SingleInstance::listen()
{
    // With access options Qt binds elsewhere and renames the socket into place, which would
    // silently take the name from a running instance: ask first.
    if (answers(m_path))
        return false;
    if (m_server.listen(m_path))
        return true;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalServer::removeServer(m_path);
    return m_server.listen(m_path);
}

SingleInstance::Reply
SingleInstance::send(const QString& socketPath, const InstanceRequest& request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return Reply::NoAnswer;
    socket.write(request.encode());
    if (!socket.waitForBytesWritten(timeoutMs))
        return Reply::NoAnswer;
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    if (reply == acknowledged)
        return Reply::Accepted;
    return reply == busy ? Reply::Busy : Reply::NoAnswer;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        int open = 0;
        const QList<QLocalSocket*> sockets = m_server.findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly);
        for (const QLocalSocket* other : sockets)
            open += other->state() == QLocalSocket::ConnectedState ? 1 : 0;
        if (open > maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(idleTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxRequestBytes)
                    socket->abort();
                return;
            }
            const std::optional<InstanceRequest> request = InstanceRequest::decode(socket->readLine());
            const bool taken = request && (!m_gate || m_gate(*request));
            socket->write(!request ? refused : taken ? acknowledged : busy);
            socket->disconnectFromServer();
            if (taken)
                Q_EMIT requested(*request);
        });
    }
}

} // namespace vellumix
