// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/ScreenCapture.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// Screens (fixtures/three-screens.json, in Qt's order): 0 "left" 1000x800 at scale 1.25,
// 1 "middle" 1280x1024 at scale 1, 2 "right" 960x600 at scale 2.
struct Overlay
{
    testing::FakeActivator activator;
    SelectionController controller{&activator};
    QList<DisplaySnapshot> snapshots;
    QList<QList<QImage>> deliveries;

    explicit Overlay(bool multiple)
    {
        testing::FakeGrabber grabber;
        snapshots = ScreenCapture::snapshots(grabber).result();
        controller.begin(snapshots, multiple, [this](QList<QImage> images) { deliveries.append(images); });
    }
    ~Overlay() { controller.finish(true); }
    SelectionView* panel(int i) const { return controller.panels().at(i); }
    // Whether the panel shows the frozen image untouched at a widget position.
    bool untouched(int i, QPoint at) const
    {
        const auto pixel = [at](const QImage& image) {
            return image.pixel(int(at.x() * image.devicePixelRatio()),
                               int(at.y() * image.devicePixelRatio()));
        };
        return pixel(panel(i)->grab().toImage()) == pixel(snapshots[i].image);
    }
};

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOnePanelPerScreen()
    {
        Overlay overlay(true);
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(overlay.controller.panels().size(), screens.size());
        for (int i = 0; i < screens.size(); ++i) {
            QCOMPARE(overlay.panel(i)->geometry(), screens[i]->geometry());
            QVERIFY(overlay.untouched(i, QPoint(37, overlay.panel(i)->height() - 11))); // below the hint
        }
        QTRY_COMPARE(QApplication::activeWindow(), overlay.panel(2));
    }
    void drag_data()
    {
        QTest::addColumn<int>("display");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QList<QRectF>>("regions"); // view points, y upwards
        QTest::newRow("leaving the display is clipped to it")
            << 1 << QPoint(1200, 100) << QPoint(1500, 300) << QList<QRectF>{{1200, 724, 80, 200}};
        QTest::newRow("3 points wide is too narrow")
            << 0 << QPoint(10, 10) << QPoint(13, 90) << QList<QRectF>{};
        QTest::newRow("4 x 4 is enough")
            << 0 << QPoint(10, 10) << QPoint(14, 14) << QList<QRectF>{{10, 786, 4, 4}};
    }
    void drag()
    {
        QFETCH(int, display);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QList<QRectF>, regions);
        Overlay overlay(true);
        testing::drag(overlay.panel(display), from, to);
        QList<QRectF> actual;
        for (const SelectionController::Region& region : overlay.controller.regions())
            actual.append(region.display == display ? region.rect : QRectF());
        QCOMPARE(actual, regions);
    }
    void undoAcrossDisplays()
    {
        Overlay overlay(true);
        SelectionView* right = overlay.panel(2);
        testing::drag(right, {10, 10}, {110, 60});
        testing::drag(overlay.panel(0), {10, 10}, {60, 110});
        QTest::keyClick(right, Qt::Key_Z, Qt::ControlModifier); // the most recent one, on the left
        QCOMPARE(overlay.controller.regions().size(), 1);
        QCOMPARE(overlay.controller.regions()[0].display, 2);
        QTest::mouseClick(right->findChildren<QPushButton*>().at(1), Qt::LeftButton); // Finish, then Undo
        QVERIFY(overlay.controller.regions().isEmpty() && overlay.controller.isOpen());
    }
    void finishKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("delivers");
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Finish button") << 0 << 0 << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << false;
        QTest::newRow("closed by the window manager") << -1 << 0 << false;
    }
    void finishKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, delivers);
        Overlay overlay(true);
        // Right display (scale 2) first, then the left one (scale 1.25).
        testing::drag(overlay.panel(2), {100, 50}, {150, 90});
        testing::drag(overlay.panel(0), {400, 160}, {440, 192});
        if (key == -1)
            QVERIFY(overlay.panel(1)->windowHandle()->close());
        else if (key == 0)
            QTest::mouseClick(overlay.panel(1)->findChildren<QPushButton*>().at(0), Qt::LeftButton);
        else
            QTest::keyClick(overlay.panel(1), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QList<QImage> crops; // native pixels
        if (delivers)
            crops = {overlay.snapshots[2].image.copy(200, 100, 100, 80),
                     overlay.snapshots[0].image.copy(500, 200, 50, 40)};
        QCOMPARE(overlay.deliveries, QList<QList<QImage>>{crops});
        QCOMPARE(overlay.activator.activated, QList<quint64>{overlay.activator.active});
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

QTEST_MAIN(TestSelection)
#include "test_selection.moc"
