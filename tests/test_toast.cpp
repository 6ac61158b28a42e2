// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Toast.h"
#include "shell/ToastPanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QTest>

using namespace vellumix;

class TestToast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placement_data();
    void placement();
    void showsAtTheTopRightWithoutTakingFocus();
    void newerToastReplacesAndKeepsItsOwnLifetime();
    void stopClosesAtOnce();
};

void TestToast::placement_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("panel on top, offset screen") << QRect(100, 30, 800, 600) << QRect(580, 56, 290, 54);
    QTest::newRow("no screen") << QRect() << QRect(-320, 26, 290, 54);
}

void TestToast::placement()
{
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(ToastPanel::placement(available), expected);
}

void TestToast::showsAtTheTopRightWithoutTakingFocus()
{
    QLineEdit editor;
    editor.show();
    editor.activateWindow();
    editor.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&editor));

    Toast toast;
    toast.show(QStringLiteral("Text copied to clipboard"));
    QVERIFY(toast.panel());
    QVERIFY(toast.panel()->isVisible());
    QCOMPARE(toast.panel()->message(), QStringLiteral("Text copied to clipboard"));
    QCOMPARE(toast.panel()->geometry(),
             ToastPanel::placement(QGuiApplication::primaryScreen()->availableGeometry()));
    QTest::qWait(50);
    QCOMPARE(QApplication::activeWindow(), &editor);
    QCOMPARE(QApplication::focusWidget(), &editor);
}

void TestToast::newerToastReplacesAndKeepsItsOwnLifetime()
{
    Toast toast;
    toast.show(QStringLiteral("first"));
    QPointer<ToastPanel> first = toast.panel();
    QTest::qWait(1000);
    toast.show(QStringLiteral("second"));
    QPointer<ToastPanel> second = toast.panel();
    QVERIFY(!first || !first->isVisible());
    QVERIFY(second && second->isVisible());
    QCOMPARE(second->message(), QStringLiteral("second"));

    // Past the first toast's two seconds, the second one is still up...
    QTest::qWait(1300);
    QVERIFY(second && second->isVisible());
    // ...and it closes by itself two seconds after its own start.
    QTRY_VERIFY_WITH_TIMEOUT(!second || !second->isVisible(), 5000);
}

void TestToast::stopClosesAtOnce()
{
    Toast toast;
    toast.show(QStringLiteral("bye"));
    QPointer<ToastPanel> panel = toast.panel();
    toast.stop();
    QVERIFY(!panel || !panel->isVisible());
}

QTEST_MAIN(TestToast)
#include "test_toast.moc"
