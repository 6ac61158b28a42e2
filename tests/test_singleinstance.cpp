// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/InstanceRequest.h"
#include "shell/SingleInstance.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using namespace vellumix;
using namespace Qt::StringLiterals;
using Verb = InstanceRequest::Verb;
using Args = QStringList;
using Reply = SingleInstance::Reply;

Q_DECLARE_METATYPE(InstanceRequest)

// Never produced by the parser: an open request without a path stands for a refusal.
const InstanceRequest refused{Verb::Open, {}};

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fromArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<InstanceRequest>("expected");
        const auto open = [](const QString& path) { return InstanceRequest{Verb::Open, path}; };
        QTest::newRow("no argument") << Args() << InstanceRequest{Verb::Reopen, {}};
        QTest::newRow("workspace") << Args{u"workspace"_s} << InstanceRequest{Verb::Workspace, {}};
        QTest::newRow("capture, unknown option") << Args{u"capture"_s, u"--all"_s} << refused;
        QTest::newRow("first of several files")
            << Args{u"shots/b.PDF"_s, u"c.png"_s} << open(u"/home/u/shots/b.PDF"_s);
        QTest::newRow("file after --") << Args{u"--"_s, u"capture"_s} << open(u"/home/u/capture"_s);
        QTest::newRow("-- alone") << Args{u"--"_s} << refused;
        QTest::newRow("file URL") << Args{u"file:///tmp/scan%20one.png"_s} << open(u"/tmp/scan one.png"_s);
        QTest::newRow("remote URL") << Args{u"https://example.org/a.png"_s} << refused;
    }
    void fromArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(InstanceRequest, expected);
        QCOMPARE(InstanceRequest::fromArguments(arguments, u"/home/u"_s).value_or(refused), expected);
    }
    void wireForm()
    {
        for (const InstanceRequest& request :
             {InstanceRequest{Verb::Reopen, {}}, InstanceRequest{Verb::Open, u"/tmp/ü\nnew line.png"_s},
              InstanceRequest{Verb::Capture, {}}, InstanceRequest{Verb::CaptureMultiple, {}},
              InstanceRequest{Verb::CaptureFull, {}}, InstanceRequest{Verb::Workspace, {}}}) {
            const QByteArray line = request.encode();
            // One line, whatever the path holds, so the reader can stop at the first line break.
            QVERIFY2(line.count('\n') == 1 && line.endsWith('\n'), line.constData());
            QCOMPARE(InstanceRequest::decode(line), std::optional(request));
        }
        for (const char* line : {"capture\n", "{\"verb\":\"quit\"}\n", "[\"capture\"]\n",
                                 "{\"verb\":\"open\",\"path\":\"a.png\"}\n"})
            QVERIFY2(!InstanceRequest::decode(line), line);
    }
    void requestReachesTheRunningInstance()
    {
        const InstanceRequest request{Verb::Open, u"/tmp/ü.png"_s};
        SingleInstance running(socketPath());
        QVERIFY(running.listen());
        QSignalSpy requested(&running, &SingleInstance::requested);
        QCOMPARE(sendAside(request), Reply::Accepted);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.first().first().value<InstanceRequest>(), request);
        QVERIFY(!SingleInstance(socketPath()).listen()); // the name stays taken
        QCOMPARE(SingleInstance::send(m_dir.filePath(u"nobody"_s), InstanceRequest{}, 500), Reply::NoAnswer);
    }
    void refusedRequestIsAnsweredBusy()
    {
        SingleInstance running(socketPath());
        QVERIFY(running.listen());
        running.setGate([](const InstanceRequest& request) { return request.verb != Verb::Capture; });
        QSignalSpy requested(&running, &SingleInstance::requested);
        QCOMPARE(sendAside({Verb::Capture, {}}), Reply::Busy);
        QCOMPARE(sendAside({Verb::Workspace, {}}), Reply::Accepted);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(requested.first().first().value<InstanceRequest>().verb, Verb::Workspace);
    }
    void silentConnectionsAreDroppedAndCapped()
    {
        SingleInstance running(socketPath());
        QVERIFY(running.listen());
        std::vector<std::unique_ptr<QLocalSocket>> silent;
        for (int i = 0; i < SingleInstance::maxConnections + 8; ++i) {
            silent.push_back(std::make_unique<QLocalSocket>());
            silent.back()->connectToServer(socketPath());
            QVERIFY(silent.back()->waitForConnected(2000));
        }
        const auto connected = [&] {
            return std::count_if(silent.begin(), silent.end(), [](const auto& socket) {
                return socket->state() == QLocalSocket::ConnectedState;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(connected(), SingleInstance::maxConnections, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(connected(), 0, SingleInstance::idleTimeoutMs + 5000);
        QVERIFY(running.isListening());
        QCOMPARE(sendAside({Verb::Workspace, {}}), Reply::Accepted);
    }
    void leftoverSocketIsReplaced()
    {
        // A socket file bound by a process that died: present, but nobody accepts on it.
        const QByteArray path = QFile::encodeName(socketPath());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd); // the file stays behind
        QVERIFY(SingleInstance(socketPath()).listen());
    }
    void oversizedOrForeignRequestsAreDropped()
    {
        SingleInstance instance(socketPath());
        QVERIFY(instance.listen());
        QSignalSpy requested(&instance, &SingleInstance::requested);
        QLocalSocket client;
        client.connectToServer(socketPath());
        QVERIFY(client.waitForConnected(2000));
        client.write(QByteArray(SingleInstance::maxRequestBytes + 1024, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 5000);

        QLocalSocket other;
        other.connectToServer(socketPath());
        QVERIFY(other.waitForConnected(2000));
        other.write("{\"verb\":\"quit\"}\n");
        QTRY_VERIFY_WITH_TIMEOUT(
            other.bytesAvailable() >= 6 || other.state() == QLocalSocket::UnconnectedState, 5000);
        QCOMPARE(other.readAll(), QByteArray("error\n"));
        QCOMPARE(requested.size(), 0);
    }

private:
    QString socketPath() const { return m_dir.filePath(u"vellumix"_s); }
    // Sent from another thread, as a second process would, while this one serves.
    Reply sendAside(const InstanceRequest& request) const
    {
        QFuture<Reply> sent =
            QtConcurrent::run([path = socketPath(), request] { return SingleInstance::send(path, request); });
        return QTest::qWaitFor([&] { return sent.isFinished(); }, 5000) ? sent.result() : Reply::NoAnswer;
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
