// SPDX-License-Identifier: GPL-3.0-or-later
// The tray application as a user meets it, on a private X server with a window manager: it
// starts with its own HOME, later launches hand over to it, and the global shortcuts reach it.
#include "XvfbSession.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Result
{
    bool finished = false;
    int exitCode = -1;
    QString output;
};

Result run(const QString& program,
           const QStringList& arguments,
           int timeoutMs = 10000,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Result result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(1000);
    }
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

bool key(const QString& keys)
{
    const Result result = run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    return result.finished && result.exitCode == 0;
}

} // namespace

class TestJourney : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void startsQuietlyInTheTray();
    void laterLaunchesHandOverAndExit_data();
    void laterLaunchesHandOverAndExit();
    void workspaceShortcutShowsTheWindow();
    void captureShortcutCopiesTheRegionsText();

private:
    // The workspace's X window id when it is mapped, or 0.
    QString visibleWorkspace(int timeoutMs = 10000);
    bool minimizeWorkspace();

    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QProcess m_app;
};

void TestJourney::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A private runtime directory: the instance socket of this run, nobody else's.
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    // No desktop named and no screenshot tool installed: one region goes through the own overlay.
    m_environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QVERIFY(QDir::home().absolutePath().contains(QLatin1String("test-home")));
    m_app.setProcessEnvironment(m_environment);
    m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    m_app.start(QStringLiteral(VELLUMIX_BINARY), {});
    QVERIFY(m_app.waitForStarted(5000));
}

void TestJourney::cleanupTestCase()
{
    m_app.terminate();
    if (!m_app.waitForFinished(5000))
        m_app.kill();
    m_app.waitForFinished(1000);
}

QString TestJourney::visibleWorkspace(int timeoutMs)
{
    QString id;
    (void)QTest::qWaitFor(
        [&] {
            const Result found =
                run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                QStringLiteral("--name"), QStringLiteral("^Vellumix$")});
            id = found.output.trimmed().section(u'\n', 0, 0);
            return !id.isEmpty();
        },
        timeoutMs);
    return id;
}

bool TestJourney::minimizeWorkspace()
{
    const QString id = visibleWorkspace();
    if (id.isEmpty())
        return false;
    run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QStringLiteral("--sync"), id});
    return visibleWorkspace(300).isEmpty();
}

void TestJourney::startsQuietlyInTheTray()
{
    // By default Vellumix starts minimised: it answers later launches but shows no window.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(m_runtime.path()).filePath(QStringLiteral("vellumix"))),
                             20000);
    QCOMPARE(m_app.state(), QProcess::Running);
    QVERIFY(visibleWorkspace(1000).isEmpty());
}

void TestJourney::laterLaunchesHandOverAndExit_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("plain launch") << QStringList();
    QTest::newRow("workspace verb") << QStringList{QStringLiteral("workspace")};
}

void TestJourney::laterLaunchesHandOverAndExit()
{
    QFETCH(QStringList, arguments);
    if (!visibleWorkspace(500).isEmpty())
        QVERIFY(minimizeWorkspace());
    const Result second = run(QStringLiteral(VELLUMIX_BINARY), arguments, 10000, m_environment);
    QVERIFY(second.finished);
    QCOMPARE(second.exitCode, 0);
    QVERIFY(!visibleWorkspace().isEmpty());
    QCOMPARE(m_app.state(), QProcess::Running);

    const Result usage = run(QStringLiteral(VELLUMIX_BINARY),
                             {QStringLiteral("capture"), QStringLiteral("--bogus")}, 10000, m_environment);
    QCOMPARE(usage.exitCode, 2);
}

void TestJourney::workspaceShortcutShowsTheWindow()
{
    QVERIFY(minimizeWorkspace());
    QVERIFY(key(QStringLiteral("ctrl+alt+shift+4")));
    QVERIFY(!visibleWorkspace().isEmpty());
}

void TestJourney::captureShortcutCopiesTheRegionsText()
{
    QVERIFY(minimizeWorkspace());
    QLabel known(QStringLiteral("Vellumix 4711"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(48);
    known.setFont(font);
    known.setStyleSheet(QStringLiteral("background: white; color: black; padding: 24px"));
    known.setWindowFlags(Qt::FramelessWindowHint);
    known.setGeometry(200, 200, 520, 120);
    known.show();
    QVERIFY(QTest::qWaitForWindowExposed(&known, 5000));
    run(QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("/dev/null")});

    QVERIFY(key(QStringLiteral("ctrl+alt+shift+1")));
    QTest::qWait(1500); // the overlay freezes the displays and takes the pointer
    const QRect region = known.geometry().adjusted(4, 4, -4, -4);
    const auto xdotool = [](const QStringList& arguments) {
        return run(QStringLiteral("xdotool"), arguments).exitCode == 0;
    };
    QVERIFY(xdotool(
        {QStringLiteral("mousemove"), QString::number(region.left()), QString::number(region.top())}));
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(region.center().x()),
                     QString::number(region.center().y())}));
    QVERIFY(xdotool(
        {QStringLiteral("mousemove"), QString::number(region.right()), QString::number(region.bottom())}));
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));

    QString clipboard;
    QVERIFY(QTest::qWaitFor(
        [&] {
            clipboard = run(QStringLiteral("xclip"),
                            {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")})
                            .output;
            return clipboard.contains(QLatin1String("4711"));
        },
        60000));
    QVERIFY2(clipboard.contains(QLatin1String("Vellumix")), qPrintable(clipboard));
    // The confirmation is on screen: a 290 by 54 window of ours.
    const Result tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    QVERIFY2(tree.output.contains(QLatin1String("290x54")), qPrintable(tree.output));
}

int main(int argc, char* argv[])
{
    XvfbSession session({"Xvfb", "openbox", "xdotool", "xclip", "xwininfo"});
    if (!session.isReady())
        return 1;
    QApplication app(argc, argv);
    TestJourney test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_journey.moc"
