// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/toast/Toast.h"
#include "platform/toast/ToastPanel.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestToast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placement()
    {
        // Top right of the available area, below the panel; off screen without one.
        QCOMPARE(ToastPanel::placement(QRect(100, 30, 800, 600)), QRect(580, 56, 290, 54));
        QCOMPARE(ToastPanel::placement(QRect()), QRect(-320, 26, 290, 54));
    }
    void newerToastReplacesAndKeepsItsOwnLifetime()
    {
        Toast toast;
        toast.notify(u"first"_s);
        QPointer<ToastPanel> first = toast.panel();
        QTest::qWait(1000);
        toast.notify(u"second"_s);
        QPointer<ToastPanel> second = toast.panel();
        QVERIFY(!first || !first->isVisible());
        QVERIFY(second && second->isVisible());
        QCOMPARE(second->message(), u"second"_s);

        // Past the first toast's two seconds, the second one is still up...
        QTest::qWait(1300);
        QVERIFY(second && second->isVisible());
        // ...and it closes by itself two seconds after its own start.
        QTRY_VERIFY_WITH_TIMEOUT(!second || !second->isVisible(), 5000);
    }
};

QTEST_MAIN(TestToast)
#include "test_toast.moc"
