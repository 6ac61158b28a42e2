// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/ScreenCapture.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "capture/WindowActivator.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

class FakeActivator final : public WindowActivator
{
public:
    quint64 active = 0x4200007;
    QList<quint64> activated;
    quint64 activeWindow() override { return active; }
    void activate(quint64 window) override { activated.append(window); }
};

// Screens (fixtures/three-screens.json, in Qt's order): 0 "left" 1000x800 at scale 1.25,
// 1 "middle" 1280x1024 at scale 1, 2 "right" 960x600 at scale 2.
struct Overlay
{
    FakeActivator activator;
    SelectionController controller{&activator};
    QList<DisplaySnapshot> snapshots;
    QList<QList<QImage>> deliveries;

    void open(bool multiple)
    {
        test::FakeGrabber grabber;
        snapshots = ScreenCapture::snapshots(grabber);
        controller.begin(snapshots, multiple, [this](QList<QImage> images) { deliveries.append(images); });
    }
    SelectionView* panel(int i) const { return controller.panels().at(i); }
};

void drag(QWidget* view, QPoint from, QPoint to)
{
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

// The snapshot pixel shown at a widget position of a display.
QRgb snapshotPixel(const DisplaySnapshot& snapshot, QPoint widgetPosition)
{
    const qreal dpr = snapshot.image.devicePixelRatio();
    return snapshot.image.pixel(int(widgetPosition.x() * dpr), int(widgetPosition.y() * dpr));
}

QRgb shownPixel(QWidget* view, QPoint widgetPosition)
{
    const QImage shown = view->grab().toImage();
    const qreal dpr = shown.devicePixelRatio();
    return shown.pixel(int(widgetPosition.x() * dpr), int(widgetPosition.y() * dpr));
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensOnePanelPerScreen()
    {
        Overlay overlay;
        overlay.open(true);
        const QList<QScreen*> screens = QGuiApplication::screens();
        const QList<SelectionView*> panels = overlay.controller.panels();
        QCOMPARE(panels.size(), screens.size());
        for (int i = 0; i < panels.size(); ++i) {
            QVERIFY(panels[i]->isVisible());
            QCOMPARE(panels[i]->screen(), screens[i]);
            QCOMPARE(panels[i]->geometry(), screens[i]->geometry());
            // The frozen image is painted, pixel for pixel, below the hint.
            const QPoint probe(37, panels[i]->height() - 11);
            QCOMPARE(shownPixel(panels[i], probe), snapshotPixel(overlay.snapshots[i], probe));
        }
        QTRY_COMPARE(QApplication::activeWindow(), panels.last());
        QCOMPARE(overlay.activator.activated, QList<quint64>{});
        overlay.controller.finish(true);
    }
    void drag_data()
    {
        QTest::addColumn<int>("display");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QList<QRectF>>("regions"); // view points, y upwards

        QTest::newRow("drag down-right")
            << 1 << QPoint(100, 100) << QPoint(300, 250) << QList<QRectF>{{100, 774, 200, 150}};
        QTest::newRow("drag up-left")
            << 1 << QPoint(300, 250) << QPoint(100, 100) << QList<QRectF>{{100, 774, 200, 150}};
        QTest::newRow("leaving the display is clipped to it")
            << 1 << QPoint(1200, 100) << QPoint(1500, 300) << QList<QRectF>{{1200, 724, 80, 200}};
        QTest::newRow("leaving above and left")
            << 2 << QPoint(50, 40) << QPoint(-300, -90) << QList<QRectF>{{0, 560, 50, 40}};
        QTest::newRow("click without movement") << 0 << QPoint(10, 10) << QPoint(10, 10) << QList<QRectF>{};
    }
    void drag()
    {
        QFETCH(int, display);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QList<QRectF>, regions);

        Overlay overlay;
        overlay.open(true);
        ::drag(overlay.panel(display), from, to);
        QList<QRectF> actual;
        for (const SelectionController::Region& region : overlay.controller.regions()) {
            QCOMPARE(region.display, display);
            actual.append(region.rect);
        }
        QCOMPARE(actual, regions);
        QVERIFY(!overlay.panel(display)->current().has_value());
        QVERIFY(overlay.controller.isOpen());
        overlay.controller.finish(true);
    }
    void sizeThreshold_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("3 x 50") << QSizeF(3, 50) << false;
        QTest::newRow("50 x 3") << QSizeF(50, 3) << false;
        QTest::newRow("3.5 x 3.5") << QSizeF(3.5, 3.5) << true;
    }
    void sizeThreshold()
    {
        QFETCH(QSizeF, size);
        QFETCH(bool, accepted);
        Overlay overlay;
        overlay.open(true);
        overlay.controller.selected(1, QRectF(QPointF(20, 20), size));
        QCOMPARE(overlay.controller.regions().size(), accepted ? 1 : 0);
        overlay.controller.finish(false);
        QCOMPARE(overlay.deliveries.size(), 1);
        QCOMPARE(overlay.deliveries[0].size(), accepted ? 1 : 0);
    }
    void undoAcrossDisplays()
    {
        Overlay overlay;
        overlay.open(true);
        SelectionView* left = overlay.panel(0);
        SelectionView* right = overlay.panel(2);

        QTest::keyClick(right, Qt::Key_Z, Qt::ControlModifier); // nothing to undo
        QVERIFY(overlay.controller.regions().isEmpty());

        ::drag(right, {10, 10}, {110, 60});
        ::drag(left, {10, 10}, {60, 110});
        QCOMPARE(overlay.controller.regions().size(), 2);
        const QPoint leftOutline(10, 50); // on the left display's region's edge
        QVERIFY(shownPixel(left, leftOutline) != snapshotPixel(overlay.snapshots[0], leftOutline));

        QTest::keyClick(right, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // not undo
        QCOMPARE(overlay.controller.regions().size(), 2);
        QTest::keyClick(right, Qt::Key_Z, Qt::ControlModifier); // the most recent one, on the left
        QCOMPARE(overlay.controller.regions().size(), 1);
        QCOMPARE(overlay.controller.regions()[0].display, 2);
        QCOMPARE(shownPixel(left, leftOutline), snapshotPixel(overlay.snapshots[0], leftOutline));

        const QList<QPushButton*> buttons = right->findChildren<QPushButton*>(); // Finish, then Undo
        QCOMPARE(buttons.size(), 2);
        QPushButton* undo = buttons[1];
        QCOMPARE(undo->text(), u"Undo"_s);
        QTest::mouseClick(undo, Qt::LeftButton);
        QVERIFY(overlay.controller.regions().isEmpty());
        QVERIFY(overlay.controller.isOpen());
        overlay.controller.finish(true);
    }
    void finishKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("delivers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Finish button") << 0 << 0 << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << false;
    }
    void finishKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, delivers);

        Overlay overlay;
        overlay.open(true);
        QList<QPointer<SelectionView>> panels;
        for (SelectionView* panel : overlay.controller.panels())
            panels.append(panel);
        // Right display (scale 2) first, then the left one (scale 1.25).
        ::drag(overlay.panel(2), {100, 50}, {150, 90});
        ::drag(overlay.panel(0), {400, 160}, {440, 192});
        QTest::keyClick(overlay.panel(1), Qt::Key_A); // ignored
        QVERIFY(overlay.controller.isOpen());

        if (key == 0)
            QTest::mouseClick(overlay.panel(1)->findChildren<QPushButton*>().at(0), Qt::LeftButton);
        else
            QTest::keyClick(overlay.panel(1), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QVERIFY(!overlay.controller.isOpen());
        QCOMPARE(overlay.deliveries.size(), 1);
        const QList<QImage> images = overlay.deliveries[0];
        if (!delivers) {
            QVERIFY(images.isEmpty());
        } else {
            QCOMPARE(images.size(), 2);
            QCOMPARE(images[0].size(), QSize(100, 80));
            QCOMPARE(images[0].pixel(0, 0), overlay.snapshots[2].image.pixel(200, 100));
            QCOMPARE(images[1].size(), QSize(50, 40));
            QCOMPARE(images[1].pixel(0, 0), overlay.snapshots[0].image.pixel(500, 200));
        }
        for (const QPointer<SelectionView>& panel : panels)
            QTRY_VERIFY(panel.isNull());
    }
    void escapeCancelsAndRestoresFocus()
    {
        Overlay overlay;
        overlay.open(true);
        ::drag(overlay.panel(0), {10, 10}, {60, 60});
        ::drag(overlay.panel(1), {10, 10}, {60, 60});
        ::drag(overlay.panel(2), {10, 10}, {60, 60});
        QTest::keyClick(overlay.panel(2), Qt::Key_Escape);
        QCOMPARE(overlay.deliveries, QList<QList<QImage>>{{}});
        QVERIFY(overlay.controller.panels().isEmpty());
        QVERIFY(overlay.controller.regions().isEmpty());
        QCOMPARE(overlay.activator.activated, QList<quint64>{overlay.activator.active});
    }
    void singleMode()
    {
        Overlay overlay;
        overlay.open(false);
        SelectionView* middle = overlay.panel(1);
        QVERIFY(middle->findChildren<QPushButton*>().isEmpty());
        // No hint: the top centre shows the frozen image untouched.
        const QPoint hintArea(middle->width() / 2, 60);
        QCOMPARE(shownPixel(middle, hintArea), snapshotPixel(overlay.snapshots[1], hintArea));

        ::drag(middle, {10, 10}, {12, 80}); // too narrow: stays open
        QVERIFY(overlay.controller.isOpen());
        QVERIFY(overlay.deliveries.isEmpty());
        ::drag(middle, {10, 10}, {90, 80});
        QVERIFY(!overlay.controller.isOpen());
        QCOMPARE(overlay.deliveries.size(), 1);
        QCOMPARE(overlay.deliveries[0].size(), 1);
        QCOMPARE(overlay.deliveries[0][0].size(), QSize(80, 70));

        Overlay multiple;
        multiple.open(true);
        QVERIFY(shownPixel(multiple.panel(1), hintArea) != snapshotPixel(multiple.snapshots[1], hintArea));
        QCOMPARE(SelectionView::hint(1),
                 QStringLiteral(
                     "1 regions \u2022 Drag to add \u2022 Return to finish \u2022 Ctrl+Z to undo \u2022 "
                     "Esc to cancel"));
        multiple.controller.finish(true);
    }
    void completesExactlyOnce()
    {
        Overlay overlay;
        overlay.open(true);
        ::drag(overlay.panel(1), {10, 10}, {60, 60});

        // Opening again closes the first overlay as a cancel, once.
        QList<QList<QImage>> second;
        overlay.controller.begin(overlay.snapshots, true,
                                 [&](QList<QImage> images) { second.append(images); });
        QCOMPARE(overlay.deliveries, QList<QList<QImage>>{{}});
        QCOMPARE(overlay.controller.panels().size(), 3);
        QVERIFY(overlay.controller.regions().isEmpty());

        QTest::keyClick(overlay.panel(0), Qt::Key_Return);
        overlay.controller.finish(false);
        overlay.controller.finish(true);
        QCOMPARE(second, QList<QList<QImage>>{{}});
        QCOMPARE(overlay.deliveries.size(), 1);
        // Focus goes back on every call, even after the overlay has closed.
        QCOMPARE(overlay.activator.activated.size(), 4);
    }
};

QTEST_MAIN(TestSelection)
#include "test_selection.moc"
