// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace vellumix {

namespace {

const QByteArray acknowledged = QByteArrayLiteral("ok\n");
const QByteArray refused = QByteArrayLiteral("error\n");

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

bool SingleInstance::send(const QString& socketPath, const InstanceRequest& request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(request.encode());
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    return reply == acknowledged;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxRequestBytes)
                    socket->abort();
                return;
            }
            const std::optional<InstanceRequest> request = InstanceRequest::decode(socket->readLine());
            socket->write(request ? acknowledged : refused);
            socket->disconnectFromServer();
            if (request)
                Q_EMIT requested(*request);
        });
    }
}

} // namespace vellumix
