// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCapture.h"
#include "capture/ScreenGrabber.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "platform/x11/X11WindowActivator.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace vellumix;

namespace {

// Real input through the X server (XTEST), not Qt's synthetic events.
bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

class Swatch final : public QWidget
{
public:
    explicit Swatch(const QColor& colour)
    {
        setWindowTitle(QStringLiteral("swatch"));
        QPalette palette;
        palette.setColor(QPalette::Window, colour);
        setPalette(palette);
        setAutoFillBackground(true);
    }
};

} // namespace

// Runs under tests/xvfb-run.sh: one 1280x800 Xvfb screen with openbox.
class TestX11Capture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void activatesWindow();
    void grabsWhatIsShown();
    void overlayUnderRealInput();

private:
    std::unique_ptr<X11WindowActivator> m_activator;
    std::unique_ptr<Swatch> m_swatch;
};

void TestX11Capture::initTestCase()
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        QSKIP("needs an X server; run through tests/xvfb-run.sh");
    m_activator = X11WindowActivator::create();
    QVERIFY(m_activator);

    m_swatch = std::make_unique<Swatch>(QColor(200, 30, 40));
    m_swatch->setGeometry(100, 100, 400, 300);
    m_swatch->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_swatch.get(), 20000));
    m_swatch->activateWindow();
    QTRY_COMPARE(m_activator->activeWindow(), quint64(m_swatch->winId()));
}

void TestX11Capture::activatesWindow()
{
    Swatch other(Qt::darkGreen);
    other.setGeometry(600, 100, 200, 200);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other, 20000));
    other.activateWindow();
    QTRY_COMPARE(m_activator->activeWindow(), quint64(other.winId()));

    m_activator->activate(m_swatch->winId());
    QTRY_COMPARE(m_activator->activeWindow(), quint64(m_swatch->winId()));
}

void TestX11Capture::grabsWhatIsShown()
{
    QtScreenGrabber grabber;
    const QList<DisplaySnapshot> snapshots = ScreenCapture::snapshots(grabber);
    QCOMPARE(snapshots.size(), 1);
    const QScreen* screen = QGuiApplication::primaryScreen();
    QCOMPARE(snapshots[0].frame, QRectF(QPointF(0, 0), screen->geometry().size()));
    QCOMPARE(snapshots[0].image.size(), screen->geometry().size() * screen->devicePixelRatio());
    const QPoint inside = m_swatch->mapToGlobal(QPoint(200, 150));
    QTRY_COMPARE(QColor(ScreenCapture::snapshots(grabber)[0].image.pixel(inside)), QColor(200, 30, 40));
}

void TestX11Capture::overlayUnderRealInput()
{
    QtScreenGrabber grabber;
    SelectionController controller(m_activator.get());
    QList<QList<QImage>> deliveries;
    controller.begin(ScreenCapture::snapshots(grabber), true,
                     [&](QList<QImage> images) { deliveries.append(images); });
    SelectionView* overlay = controller.panels().value(0);
    QVERIFY(overlay);
    QVERIFY(QTest::qWaitForWindowActive(overlay, 20000));

    // Two regions on the frozen swatch: one drag, one drag that leaves the screen's left edge.
    const QPoint origin = m_swatch->mapToGlobal(QPoint(0, 0));
    auto at = [&](int x, int y) {
        return QStringList{QString::number(origin.x() + x), QString::number(origin.y() + y)};
    };
    QVERIFY(xdotool(QStringList{QStringLiteral("mousemove")} + at(20, 20)));
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QVERIFY(xdotool(QStringList{QStringLiteral("mousemove")} + at(60, 40)));
    QVERIFY(xdotool(QStringList{QStringLiteral("mousemove")} + at(120, 70)));
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_COMPARE(controller.regions().size(), 1);
    QCOMPARE(controller.regions()[0].rect.size(), QSizeF(100, 50));

    QVERIFY(xdotool(
        {QStringLiteral("mousemove"), QString::number(origin.x() + 10), QString::number(origin.y() + 10)}));
    QVERIFY(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("0"), QString::number(origin.y() + 200)}));
    QVERIFY(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    QTRY_COMPARE(controller.regions().size(), 2);
    QCOMPARE(controller.regions()[1].rect.left(), 0.0);

    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTRY_COMPARE(deliveries.size(), 1);
    QCOMPARE(deliveries[0].size(), 2);
    QCOMPARE(deliveries[0][0].size(), QSize(100, 50));
    QCOMPARE(QColor(deliveries[0][0].pixel(50, 25)), QColor(200, 30, 40));
    QVERIFY(!controller.isOpen());
    // The window that had the focus before has it again.
    QTRY_COMPARE(m_activator->activeWindow(), quint64(m_swatch->winId()));
}

QTEST_MAIN(TestX11Capture)
#include "test_x11capture.moc"
