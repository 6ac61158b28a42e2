// SPDX-License-Identifier: GPL-3.0-or-later
// Capture latency of the tray application on a headless sway (bench/capture.sh runs it through
// tests/wayland/sway-session.sh): from the `vellumix capture` request to both overlays shown by
// the compositor, and from the compositor taking Return to the text readable by wl-paste. Both are
// seen from outside, by polling sway and the clipboard, so they include the screenshot portal.
#include "Median.h"
#include "wayland/SwayDriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace sway;

namespace {

// Milliseconds until `done` holds, or -1 after 60 s.
double msUntil(const QElapsedTimer& clock, const std::function<bool()>& done)
{
    while (!done()) {
        if (clock.elapsed() > 60000)
            return -1;
        QThread::msleep(1);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (QGuiApplication::platformName() != u"wayland"_s || qEnvironmentVariableIsEmpty("SWAYSOCK")) {
        std::fprintf(stderr, "needs sway; run through bench/capture.sh\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 9;
    const QString vellumix = QStringLiteral(VELLUMIX_BINARY);

    // The paragraph of the X11 benchmark, at the same size, on the scale 1 output.
    QTemporaryDir files;
    const QRect paragraph(120, 120, 640, 120);
    showText(u"HEADLESS-1"_s,
             u"The harbour lantern burned all night while the ferry waited.\n"
             u"Quiet meadows lay beyond the second bridge, past the mill.\n"
             u"Invoice 2024-117 is due on the fourth of March, total 342.50.\n"
             u"Please return the signed copy before the end of the week."_s,
             paragraph, 1, files.filePath(u"text.png"_s), 16);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Vellumix"_s, u"Vellumix"_s)
        .setValue(u"onboarded"_s, true);
    QProcess tray;
    tray.start(vellumix, {});
    Input input(QStringLiteral(WAYLAND_INPUT));
    QElapsedTimer clock;
    clock.start();
    // Without a tray the workspace opens; out of the way of the text.
    if (msUntil(clock, [] {
            return swaymsg(u"[app_id=\"%1\"] move scratchpad"_s.arg(QLatin1String(appId))).has_value();
        }) < 0)
        return 1;

    std::printf("sway headless, HEADLESS-1 1280x720 at scale 1 and HEADLESS-2 at scale 2, %d runs "
                "(the first, with a cold engine, is not in the medians)\n",
                runs);
    std::printf("run  request->overlays shown  Return->clipboard\n");
    QList<double> shown, toClipboard;
    for (int run = 0; run < runs; ++run) {
        sway::run(u"wl-copy"_s, {u"marker"_s});
        clock.start();
        sway::run(vellumix, {u"capture"_s, u"--multiple"_s});
        const double overlayMs = msUntil(clock, [] { return overlays().size() == 2; });
        if (overlayMs < 0 || !input.drag(paragraph.adjusted(-10, -10, 10, 10)) || !input.key(u"Return"_s))
            return 1;
        clock.start();
        const double clipboardMs = msUntil(clock, [] { return clipboard() != u"marker"_s; });
        if (clipboardMs < 0 || msUntil(clock, [] { return overlays().isEmpty(); }) < 0)
            return 1;
        std::printf("%3d  %22.1f ms  %14.1f ms\n", run + 1, overlayMs, clipboardMs);
        if (run > 0) {
            shown.append(overlayMs);
            toClipboard.append(clipboardMs);
        }
    }
    std::printf("median: request->overlays shown %.1f ms; Return->clipboard %.1f ms (each poll of sway or "
                "the clipboard starts a process: a few ms of resolution)\n",
                median(shown), median(toClipboard));
    tray.terminate();
    tray.waitForFinished(5000);
    return 0;
}
