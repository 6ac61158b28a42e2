// SPDX-License-Identifier: GPL-3.0-or-later
// Capture latency on a real X server (bench/capture.sh runs it on Xvfb at two screen sizes):
// from the capture request to the overlay's first paint, and from the Return key reaching the
// overlay to the recognised text on the clipboard, through the real model, source and engine.
#include "Median.h"
#include "capture/ScreenCaptureSource.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "core/TesseractEngine.h"
#include "model/AppModel.h"
#include "model/UserDefaults.h"
#include "platform/null/NullPlatform.h"
#include "platform/x11/X11ScreenGrabber.h"
#include "platform/x11/X11WindowActivator.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cstdio>

using namespace vellumix;

namespace {

// Notes when an overlay first paints and when it receives Return.
class OverlayWatch final : public QObject
{
public:
    QElapsedTimer clock;
    qint64 painted = -1;
    qint64 returned = -1;
    std::function<void()> changed;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (qobject_cast<SelectionView*>(object)) {
            if (event->type() == QEvent::Paint && painted < 0) {
                painted = clock.nsecsElapsed();
                QTimer::singleShot(0, this, [this] { changed(); });
            } else if (event->type() == QEvent::KeyPress && returned < 0 &&
                       static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return) {
                returned = clock.nsecsElapsed();
            }
        }
        return false;
    }
};

void xdotool(const QStringList& arguments)
{
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

// Runs the event loop until `done` holds or 60 s pass; false on time-out.
bool waitFor(const std::function<bool()>& done, QEventLoop& loop)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(60000);
    while (!done() && guard.isActive()) {
        QTimer poll; // the overlay's region list has no signal of its own
        QObject::connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
        poll.start(5);
        loop.exec();
    }
    return done();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        std::fprintf(stderr, "needs an X server; run through bench/capture.sh\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 9;
    std::unique_ptr<X11WindowActivator> activator = X11WindowActivator::create();

    // A paragraph of ordinary UI-sized text; one region covers it.
    QWidget window;
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(40, 40, 40, 40);
    auto* text = new QLabel(QStringLiteral("The harbour lantern burned all night while the ferry waited.\n"
                                           "Quiet meadows lay beyond the second bridge, past the mill.\n"
                                           "Invoice 2024-117 is due on the fourth of March, total 342.50.\n"
                                           "Please return the signed copy before the end of the week."),
                            &window);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    text->setFont(font);
    text->setFixedSize(text->sizeHint());
    layout->addWidget(text);
    window.move(120, 120);
    window.show();
    window.activateWindow();

    QTemporaryDir history;
    MemoryDefaults defaults;
    TesseractEngine engine;
    NullSoundPlayer sound;
    X11ScreenGrabber grabber;
    ScreenCaptureSource capture(*activator, grabber, nullptr, [] { return std::optional<RegionTool>(); });
    AppModel model(defaults, history.path(), engine, capture, sound);

    QEventLoop loop;
    OverlayWatch watch;
    watch.changed = [&loop] { loop.quit(); };
    app.installEventFilter(&watch);
    QClipboard* clipboard = QGuiApplication::clipboard();
    qint64 copied = -1;
    QObject::connect(clipboard, &QClipboard::dataChanged, &loop, [&] {
        if (copied < 0 && clipboard->text() != QStringLiteral("marker")) {
            copied = watch.clock.nsecsElapsed();
            loop.quit();
        }
    });
    if (!waitFor([&] { return window.isVisible() && window.windowHandle()->isExposed(); }, loop))
        return 1;

    const QScreen* screen = QGuiApplication::primaryScreen();
    std::printf("screen %dx%d, %d runs (the first, with a cold engine, is not in the medians)\n",
                screen->geometry().width(), screen->geometry().height(), runs);
    std::printf("run  request->overlay painted  Return->clipboard  of which recognition\n");
    QList<double> shown, toClipboard, recognising;
    const QRect area = QRect(text->mapToGlobal(QPoint(0, 0)), text->size()).adjusted(-10, -10, 10, 10);
    for (int run = 0; run < runs; ++run) {
        clipboard->setText(QStringLiteral("marker"));
        watch.painted = watch.returned = copied = -1;

        watch.clock.start();
        model.capture(CaptureKind::Regions);
        if (!waitFor([&] { return watch.painted >= 0; }, loop))
            return 1;
        const double overlayMs = double(watch.painted) / 1e6;

        xdotool({QStringLiteral("mousemove"), QString::number(area.left()), QString::number(area.top())});
        xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        xdotool({QStringLiteral("mousemove"), QString::number(area.right()), QString::number(area.bottom())});
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        if (!waitFor([&] { return capture.selection().regions().size() == 1; }, loop))
            return 1;
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        if (!waitFor([&] { return copied >= 0 || model.message(); }, loop) || model.message()) {
            std::fprintf(stderr, "no text: %s\n", qPrintable(model.message().value_or(QString())));
            return 1;
        }
        const double clipboardMs = double(copied - watch.returned) / 1e6;
        const double recognitionMs = model.recognition() ? model.recognition()->seconds * 1000.0 : 0.0;
        std::printf("%3d  %24.1f ms  %14.1f ms  %17.1f ms\n", run + 1, overlayMs, clipboardMs, recognitionMs);
        if (run > 0) {
            shown.append(overlayMs);
            toClipboard.append(clipboardMs);
            recognising.append(recognitionMs);
        }
        if (!waitFor([&] { return !model.busy() && !capture.selection().isOpen(); }, loop))
            return 1;
    }
    const double clip = median(toClipboard);
    std::printf("median: request->overlay painted %.1f ms (%.2f frames at 60 Hz); Return->clipboard %.1f ms, "
                "recognition %.0f%% of it\n",
                median(shown), median(shown) / (1000.0 / 60.0), clip,
                clip > 0 ? 100.0 * median(recognising) / clip : 0.0);
    return 0;
}
