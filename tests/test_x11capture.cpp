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
using namespace Qt::StringLiterals;

namespace {

// Real input through the X server (XTEST), not Qt's synthetic events.
bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments) == 0;
}

// Presses the button at the first point, moves through the others and releases it.
bool drag(const QList<QPoint>& points)
{
    const auto move = [](QPoint p) {
        return xdotool({u"mousemove"_s, QString::number(p.x()), QString::number(p.y())});
    };
    bool ok = move(points.first()) && xdotool({u"mousedown"_s, u"1"_s});
    for (qsizetype i = 1; i < points.size(); ++i)
        ok = ok && move(points[i]);
    return ok && xdotool({u"mouseup"_s, u"1"_s});
}

class Swatch final : public QWidget
{
public:
    explicit Swatch(const QColor& colour)
    {
        setWindowTitle(u"swatch"_s);
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
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
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
    void overlayUnderRealInput()
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
        QVERIFY(drag({origin + QPoint(20, 20), origin + QPoint(60, 40), origin + QPoint(120, 70)}));
        QTRY_COMPARE(controller.regions().size(), 1);
        QCOMPARE(controller.regions()[0].rect.size(), QSizeF(100, 50));
        QVERIFY(drag({origin + QPoint(10, 10), QPoint(0, origin.y() + 200)}));
        QTRY_COMPARE(controller.regions().size(), 2);
        QCOMPARE(controller.regions()[1].rect.left(), 0.0);

        QVERIFY(xdotool({u"key"_s, u"Return"_s}));
        QTRY_COMPARE(deliveries.size(), 1);
        QCOMPARE(deliveries[0].size(), 2);
        QCOMPARE(deliveries[0][0].size(), QSize(100, 50));
        QCOMPARE(QColor(deliveries[0][0].pixel(50, 25)), QColor(200, 30, 40));
        QVERIFY(!controller.isOpen());
        // The window that had the focus before has it again.
        QTRY_COMPARE(m_activator->activeWindow(), quint64(m_swatch->winId()));
    }

private:
    std::unique_ptr<X11WindowActivator> m_activator;
    std::unique_ptr<Swatch> m_swatch;
};

QTEST_MAIN(TestX11Capture)
#include "test_x11capture.moc"
