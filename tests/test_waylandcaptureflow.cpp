// SPDX-License-Identifier: GPL-3.0-or-later
// The tray application on a headless sway with two outputs (scale 1 and 2): the capture verb, the
// screenshot portal, one overlay per output, drags and keys from a virtual pointer and keyboard,
// and the text read back from the compositor's clipboard while no window of ours has the focus.
#include "wayland/SwayDriver.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace sway;

namespace {

// The desktop's notification service, to see which confirmations were sent.
class Notifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList sent;

public Q_SLOTS:
    uint Notify(const QString&,
                uint,
                const QString&,
                const QString& summary,
                const QString&,
                const QStringList&,
                const QVariantMap&,
                int)
    {
        sent.append(summary);
        return uint(sent.size());
    }
    void CloseNotification(uint) {}
};

} // namespace

class TestWaylandCaptureFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void captures_data();
    void captures();

private:
    QTemporaryDir m_files;
    Notifications m_notifications;
    QProcess m_app;
    std::unique_ptr<Input> m_input;
};

void TestWaylandCaptureFlow::initTestCase()
{
    if (QGuiApplication::platformName() != u"wayland"_s || qEnvironmentVariableIsEmpty("SWAYSOCK"))
        QSKIP("needs sway; run through tests/wayland/sway-session.sh");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerObject(u"/org/freedesktop/Notifications"_s, &m_notifications,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(u"org.freedesktop.Notifications"_s));

    QVERIFY(showText(u"HEADLESS-1"_s, u"Harbour lantern"_s, QRect(160, 200, 640, 100), 1,
                     m_files.filePath(u"1.png"_s)));
    QVERIFY(showText(u"HEADLESS-2"_s, u"Quiet meadow 42"_s, QRect(80, 150, 480, 80), 2,
                     m_files.filePath(u"2.png"_s)));

    m_input = std::make_unique<Input>(QStringLiteral(WAYLAND_INPUT));
    // A new pointer device has no place in the layout until it first moves.
    QVERIFY(m_input->move(QPoint(640, 360)));

    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Vellumix"_s, u"Vellumix"_s)
        .setValue(u"onboarded"_s, true);
    m_app.setProcessChannelMode(QProcess::ForwardedChannels);
    m_app.start(QStringLiteral(VELLUMIX_BINARY), {});
    QVERIFY(m_app.waitForStarted(5000));
    // Without a tray the workspace opens with a notice; out of the way of the text.
    QTRY_VERIFY_WITH_TIMEOUT(m_notifications.sent.join(u'\n').contains(u"system tray"_s), 20000);
    QTRY_VERIFY(swaymsg(u"[app_id=\"%1\"] move scratchpad"_s.arg(QLatin1String(appId))));
}

void TestWaylandCaptureFlow::cleanupTestCase()
{
    m_input.reset();
    m_app.terminate();
    if (!m_app.waitForFinished(5000))
        m_app.kill();
}

void TestWaylandCaptureFlow::captures_data()
{
    QTest::addColumn<QStringList>("verb");
    QTest::addColumn<QList<QRect>>("drags");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    // The two texts in layout coordinates, with a margin of white.
    const QRect left(150, 190, 660, 120);
    const QRect right(1280 + 70, 140, 500, 100);
    // First, before any input reached the application: the clipboard cannot lean on an input serial.
    QTest::newRow("full screen, no input yet") << QStringList{u"capture"_s, u"--full"_s} << QList<QRect>()
                                               << QString() << u"Harbour lantern\n\nQuiet meadow 42"_s;
    QTest::newRow("two regions, scale 2 first")
        << QStringList{u"capture"_s, u"--multiple"_s} << QList{right, left} << u"Return"_s
        << u"Quiet meadow 42\n\nHarbour lantern"_s;
    QTest::newRow("one region at scale 2")
        << QStringList{u"capture"_s} << QList{right} << QString() << u"Quiet meadow 42"_s;
    QTest::newRow("escape") << QStringList{u"capture"_s, u"--multiple"_s} << QList{left} << u"Escape"_s
                            << QString();
}

void TestWaylandCaptureFlow::captures()
{
    QFETCH(QStringList, verb);
    QFETCH(QList<QRect>, drags);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QVERIFY(run(u"wl-copy"_s, {u"before"_s}));
    QTRY_COMPARE(clipboard(), u"before"_s);
    const qsizetype notified = m_notifications.sent.size();

    QVERIFY(run(QStringLiteral(VELLUMIX_BINARY), verb));
    if (!drags.isEmpty()) {
        // One overlay on each output, the scale 2 one included.
        QTRY_COMPARE_WITH_TIMEOUT(overlays(), QStringList({u"HEADLESS-1"_s, u"HEADLESS-2"_s}), 20000);
        // sway lists the windows before their first frame is up; a hand is never this quick.
        QTest::qWait(1000);
    }
    for (const QRect& region : std::as_const(drags))
        QVERIFY(m_input->drag(region));
    if (!key.isEmpty())
        QVERIFY(m_input->key(key));
    QTRY_VERIFY_WITH_TIMEOUT(overlays().isEmpty(), 10000);

    if (expected.isEmpty()) {
        // A cancel copies nothing and confirms nothing.
        QTest::qWait(1000);
        QCOMPARE(clipboard(), u"before"_s);
        QVERIFY(!m_notifications.sent.mid(notified).contains(u"Text copied to clipboard"_s));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(clipboard() != u"before"_s, 60000);
    QCOMPARE(clipboard(), expected);
    // The first launch also says there is no tray and no shortcut service, whenever those are known.
    QTRY_COMPARE(m_notifications.sent.mid(notified).count(u"Text copied to clipboard"_s), 1);
}

QTEST_MAIN(TestWaylandCaptureFlow)
#include "test_waylandcaptureflow.moc"
