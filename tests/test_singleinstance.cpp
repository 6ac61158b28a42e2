// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/InstanceRequest.h"
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace vellumix;
using Verb = InstanceRequest::Verb;

Q_DECLARE_METATYPE(InstanceRequest)

class TestSingleInstance : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fromArguments_data();
    void fromArguments();
    void wireForm_data();
    void wireForm();
    void rejectsForeignLines_data();
    void rejectsForeignLines();
    void requestReachesTheRunningInstance_data();
    void requestReachesTheRunningInstance();
    void secondInstanceCannotListen();
    void nothingAnswersWithoutAnInstance();
    void leftoverSocketIsReplaced();
    void oversizedRequestIsDropped();

private:
    QString socketPath() const { return m_dir.filePath(QStringLiteral("vellumix")); }
    QTemporaryDir m_dir;
};

void TestSingleInstance::initTestCase()
{
    qRegisterMetaType<InstanceRequest>();
    QVERIFY(m_dir.isValid());
}

void TestSingleInstance::fromArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("verb");
    QTest::addColumn<QString>("path");
    const auto row = [](const char* name, const QStringList& arguments, std::optional<Verb> verb,
                        const QString& path = {}) {
        QTest::newRow(name) << arguments << verb.has_value() << int(verb.value_or(Verb::Reopen)) << path;
    };
    row("no argument", {}, Verb::Reopen);
    row("capture", {QStringLiteral("capture")}, Verb::Capture);
    row("capture multiple", {QStringLiteral("capture"), QStringLiteral("--multiple")}, Verb::CaptureMultiple);
    row("capture full", {QStringLiteral("capture"), QStringLiteral("--full")}, Verb::CaptureFull);
    row("workspace", {QStringLiteral("workspace")}, Verb::Workspace);
    row("capture with unknown option", {QStringLiteral("capture"), QStringLiteral("--all")}, std::nullopt);
    row("capture with two options",
        {QStringLiteral("capture"), QStringLiteral("--full"), QStringLiteral("--multiple")}, std::nullopt);
    row("workspace with a file", {QStringLiteral("workspace"), QStringLiteral("a.png")}, std::nullopt);
    row("unknown option", {QStringLiteral("--verbose")}, std::nullopt);
    row("relative file", {QStringLiteral("shots/a.png")}, Verb::Open, QStringLiteral("/home/u/shots/a.png"));
    row("only the first of several files", {QStringLiteral("b.PDF"), QStringLiteral("c.png")}, Verb::Open,
        QStringLiteral("/home/u/b.PDF"));
    row("absolute file with dots", {QStringLiteral("/tmp/x/../y.png")}, Verb::Open,
        QStringLiteral("/tmp/y.png"));
    row("file named like a verb after --", {QStringLiteral("--"), QStringLiteral("capture")}, Verb::Open,
        QStringLiteral("/home/u/capture"));
    row("-- alone", {QStringLiteral("--")}, std::nullopt);
    row("file URL from a desktop", {QStringLiteral("file:///tmp/scan%20one.png")}, Verb::Open,
        QStringLiteral("/tmp/scan one.png"));
    row("remote URL", {QStringLiteral("https://example.org/a.png")}, std::nullopt);
}

void TestSingleInstance::fromArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(int, verb);
    QFETCH(QString, path);
    const auto request = InstanceRequest::fromArguments(arguments, QStringLiteral("/home/u"));
    QCOMPARE(request.has_value(), valid);
    if (valid)
        QCOMPARE(*request, (InstanceRequest{Verb(verb), path}));
}

void TestSingleInstance::wireForm_data()
{
    QTest::addColumn<InstanceRequest>("request");
    QTest::newRow("reopen") << InstanceRequest{Verb::Reopen, {}};
    QTest::newRow("open") << InstanceRequest{Verb::Open, QStringLiteral("/tmp/ü\nnew line.png")};
    QTest::newRow("capture") << InstanceRequest{Verb::Capture, {}};
    QTest::newRow("multiple") << InstanceRequest{Verb::CaptureMultiple, {}};
    QTest::newRow("full") << InstanceRequest{Verb::CaptureFull, {}};
    QTest::newRow("workspace") << InstanceRequest{Verb::Workspace, {}};
}

void TestSingleInstance::wireForm()
{
    QFETCH(InstanceRequest, request);
    const QByteArray line = request.encode();
    // One line, whatever the path holds, so the reader can stop at the first line break.
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(InstanceRequest::decode(line), std::optional(request));
}

void TestSingleInstance::rejectsForeignLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray("\n");
    QTest::newRow("not JSON") << QByteArray("capture\n");
    QTest::newRow("no verb") << QByteArray("{}\n");
    QTest::newRow("unknown verb") << QByteArray("{\"verb\":\"quit\"}\n");
    QTest::newRow("open without path") << QByteArray("{\"verb\":\"open\"}\n");
    QTest::newRow("open with relative path") << QByteArray("{\"verb\":\"open\",\"path\":\"a.png\"}\n");
    QTest::newRow("array") << QByteArray("[\"capture\"]\n");
}

void TestSingleInstance::rejectsForeignLines()
{
    QFETCH(QByteArray, line);
    QCOMPARE(InstanceRequest::decode(line), std::nullopt);
}

void TestSingleInstance::requestReachesTheRunningInstance_data()
{
    wireForm_data();
}

void TestSingleInstance::requestReachesTheRunningInstance()
{
    QFETCH(InstanceRequest, request);
    SingleInstance running(socketPath());
    QVERIFY(running.listen());
    QSignalSpy requested(&running, &SingleInstance::requested);
    // The second launch blocks in its own thread, as it would in its own process.
    QFuture<bool> sent =
        QtConcurrent::run([path = socketPath(), request] { return SingleInstance::send(path, request); });
    QTRY_COMPARE_WITH_TIMEOUT(requested.size(), 1, 5000);
    QCOMPARE(requested.first().first().value<InstanceRequest>(), request);
    QTRY_VERIFY_WITH_TIMEOUT(sent.isFinished(), 5000);
    QVERIFY(sent.result());
}

void TestSingleInstance::secondInstanceCannotListen()
{
    SingleInstance first(socketPath());
    QVERIFY(first.listen());
    SingleInstance second(socketPath());
    QVERIFY(!second.listen());
    QVERIFY(first.isListening());
}

void TestSingleInstance::nothingAnswersWithoutAnInstance()
{
    QVERIFY(!SingleInstance::send(m_dir.filePath(QStringLiteral("nobody")), InstanceRequest{}, 500));
}

void TestSingleInstance::leftoverSocketIsReplaced()
{
    // A socket file bound by a process that died: present, but nobody accepts on it.
    const QByteArray path = QFile::encodeName(socketPath());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    QVERIFY(QFile::exists(socketPath()));

    SingleInstance instance(socketPath());
    QVERIFY(instance.listen());
    QSignalSpy requested(&instance, &SingleInstance::requested);
    QFuture<bool> sent = QtConcurrent::run([path = socketPath()] {
        return SingleInstance::send(path, InstanceRequest{Verb::Workspace, {}});
    });
    QTRY_COMPARE_WITH_TIMEOUT(requested.size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(sent.isFinished() && sent.result(), 5000);
}

void TestSingleInstance::oversizedRequestIsDropped()
{
    SingleInstance instance(socketPath());
    QVERIFY(instance.listen());
    QSignalSpy requested(&instance, &SingleInstance::requested);
    QLocalSocket client;
    client.connectToServer(socketPath());
    QVERIFY(client.waitForConnected(2000));
    client.write(QByteArray(SingleInstance::maxRequestBytes + 1024, 'x'));
    QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 5000);
    QCOMPARE(requested.size(), 0);

    // A line that is not a request is answered with a refusal, never acted on.
    QLocalSocket other;
    other.connectToServer(socketPath());
    QVERIFY(other.waitForConnected(2000));
    other.write("{\"verb\":\"quit\"}\n");
    QTRY_VERIFY_WITH_TIMEOUT(other.bytesAvailable() > 0 || other.state() == QLocalSocket::UnconnectedState,
                             5000);
    QCOMPARE(other.readAll(), QByteArray("error\n"));
    QCOMPARE(requested.size(), 0);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
