// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/InstanceRequest.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

namespace vellumix {

// Keeps one Vellumix per user: the first instance listens on a local socket in the user's
// runtime directory; later launches hand their request to it and exit.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    static constexpr int replyTimeoutMs = 5000;
    // A request line longer than this is not ours.
    static constexpr qsizetype maxRequestBytes = 64 * 1024;
    // Each open connection holds a descriptor: a silent one is dropped after this, and beyond
    // maxConnections new ones are dropped at once, so the server never runs out.
    static constexpr int idleTimeoutMs = 2000;
    static constexpr int maxConnections = 16;

    enum class Reply {
        Accepted,
        Busy,     // the instance runs but cannot take the request now
        NoAnswer, // nobody listens, or the reply did not come
    };
    // Whether the request can be taken now; one refused is answered "busy" and not emitted.
    using Gate = std::function<bool(const InstanceRequest&)>;

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/vellumix (owner-only directory), or Qt's per-user fallback.
    static QString defaultSocketPath();

    // Starts answering; false when another live instance already owns the socket. A socket
    // left behind by an instance that died is replaced.
    bool listen();
    bool isListening() const { return m_server.isListening(); }
    void setGate(Gate gate) { m_gate = std::move(gate); }

    // Hands the request to the running instance and returns its answer. Blocks for at most
    // the timeout, before this process has any event loop.
    static Reply
    send(const QString& socketPath, const InstanceRequest& request, int timeoutMs = replyTimeoutMs);

Q_SIGNALS:
    void requested(const vellumix::InstanceRequest& request);

private:
    void accept();

    QString m_path;
    QLocalServer m_server;
    Gate m_gate;
};

} // namespace vellumix
