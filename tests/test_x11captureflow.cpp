// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCaptureSource.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "core/TesseractEngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "platform/null/NullPlatform.h"
#include "platform/x11/X11ScreenGrabber.h"
#include "platform/x11/X11WindowActivator.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// Real input through the X server (XTEST), not Qt's synthetic events.
bool xdotool(const QString& arguments)
{
    return QProcess::execute(u"xdotool"_s, arguments.split(u' ')) == 0;
}

bool drag(QPoint from, QPoint to)
{
    const auto at = [](QPoint p) { return u"mousemove %1 %2 "_s.arg(p.x()).arg(p.y()); };
    return xdotool(at(from) + u"mousedown 1 "_s + at((from + to) / 2) + at(to) + u"mouseup 1"_s);
}

// Two lines of large black text on white, far enough apart to be dragged over one by one.
class TextWindow final : public QWidget
{
public:
    TextWindow()
    {
        setStyleSheet(u"background: white; color: black; font: 40px 'DejaVu Sans'"_s);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(40, 40, 40, 40);
        layout->setSpacing(80);
        layout->addWidget(upper);
        layout->addWidget(lower);
        layout->addStretch();
    }
    // A label's area on the screen with a margin of white around the text.
    QRect onScreen(QLabel* label) const
    {
        return QRect(label->mapToGlobal(QPoint(0, 0)), label->size()).adjusted(-15, -15, 15, 15);
    }

    QLabel* upper = new QLabel(u"Harbour lantern"_s, this);
    QLabel* lower = new QLabel(u"Quiet meadow 42"_s, this);
};

} // namespace

// Runs under tests/xvfb-run.sh: one wide Xvfb screen with openbox.
class TestX11CaptureFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void regionsToClipboard();
};

// From the capture request through the overlay, real mouse drags and Return to the recognised
// text on the clipboard, in the order the regions were drawn.
void TestX11CaptureFlow::regionsToClipboard()
{
    if (QGuiApplication::platformName() != u"xcb"_s)
        QSKIP("needs an X server; run through tests/xvfb-run.sh");
    std::unique_ptr<X11WindowActivator> activator = X11WindowActivator::create();
    QVERIFY(activator);

    TextWindow window;
    window.setGeometry(200, 150, 700, 320);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, 20000));
    window.activateWindow();
    QTRY_COMPARE(activator->activeWindow(), quint64(window.winId()));

    QTemporaryDir history;
    MemoryDefaults defaults;
    TesseractEngine engine;
    NullSoundPlayer sound;
    X11ScreenGrabber grabber;
    ScreenCaptureSource capture(*activator, grabber, nullptr, [] { return std::optional<RegionTool>(); });
    AppModel model(defaults, history.path(), engine, capture, sound);
    QGuiApplication::clipboard()->setText(u"before"_s);

    model.capture(CaptureKind::Regions);
    QVERIFY(!model.busy());
    QCOMPARE(capture.selection().panels().size(), 1);
    SelectionView* overlay = capture.selection().panels().first();
    QVERIFY(QTest::qWaitForWindowActive(overlay, 20000));

    // The lower line first: the result follows the order of drawing, not the page.
    const QRect lower = window.onScreen(window.lower);
    const QRect upper = window.onScreen(window.upper);
    QVERIFY(drag(lower.topLeft(), lower.bottomRight()));
    QTRY_COMPARE(capture.selection().regions().size(), 1);
    QVERIFY(drag(upper.bottomRight(), upper.topLeft()));
    QTRY_COMPARE(capture.selection().regions().size(), 2);
    QVERIFY(xdotool(u"key Return"_s));

    QClipboard* clipboard = QGuiApplication::clipboard();
    QTRY_VERIFY_WITH_TIMEOUT(clipboard->text() != u"before"_s || model.message(), 60000);
    QVERIFY(!capture.selection().isOpen());
    QVERIFY(!model.busy());
    QVERIFY2(!model.message(), qPrintable(model.message().value_or(QString())));
    QCOMPARE(clipboard->text(), u"Quiet meadow 42\n\nHarbour lantern"_s);
    QCOMPARE(model.source(), AppModel::sourceMultipleRegions);
    // What reached history.json, read back as a later launch would, with the engine's confidence.
    const QList<HistoryEntry> stored = HistoryStore(history.path()).entries();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().text, clipboard->text());
    QVERIFY(stored.first().confidence > 0.5f);
    // The focus is back where it was before the overlay.
    QTRY_COMPARE(activator->activeWindow(), quint64(window.winId()));
}

QTEST_MAIN(TestX11CaptureFlow)
#include "test_x11captureflow.moc"
