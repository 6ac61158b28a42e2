// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SelectionController.h"

#include "capture/CaptureGeometry.h"
#include "capture/SelectionView.h"
#include "platform/WindowActivator.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace vellumix {

namespace {

// The screen that shows a frame, matched by its geometry; the snapshot carries no screen id.
QScreen* screenFor(const QRectF& frame)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return nullptr;
    const QRect geometry = CaptureGeometry::screenGeometry(frame, primary->geometry()).toRect();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        if (screen->geometry() == geometry)
            return screen;
    }
    return QGuiApplication::screenAt(geometry.center());
}

} // namespace

SelectionController::SelectionController(WindowActivator* activator, QObject* parent)
    : QObject(parent), m_activator(activator)
{
    // The frozen images no longer match the desktop once a display goes away; Qt would move
    // that display's overlay onto another one. Close as a cancel rather than crop from a lie.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::screenRemoved, this, [this] {
            if (isOpen())
                finish(true);
        });
    }
}

SelectionController::~SelectionController()
{
    // Views are top-level windows and not our children; close them with us.
    for (const QPointer<SelectionView>& view : std::as_const(m_views)) {
        if (view)
            view->deleteLater();
    }
}

void SelectionController::begin(QList<DisplaySnapshot> snapshots, bool multiple, Completion completion)
{
    // A second opening must not orphan the first one's windows or lose its completion.
    if (isOpen())
        finish(true);

    m_snapshots = std::move(snapshots);
    m_multiple = multiple;
    m_completion = std::move(completion);
    m_regions.clear();
    m_previousWindow = m_activator ? m_activator->activeWindow() : 0;

    const QScreen* primary = QGuiApplication::primaryScreen();
    for (qsizetype i = 0; i < m_snapshots.size(); ++i) {
        const DisplaySnapshot& snapshot = m_snapshots.at(i);
        auto* view = new SelectionView(this, int(i), snapshot, multiple);
        // The native window is made first and given its screen: a Wayland compositor places a
        // full-screen window on the output of the screen its surface had when it was shown.
        view->winId();
        if (QScreen* screen = screenFor(snapshot.frame))
            view->windowHandle()->setScreen(screen);
        if (primary)
            view->setGeometry(CaptureGeometry::screenGeometry(snapshot.frame, primary->geometry()).toRect());
        m_views.append(view);
        view->showFullScreen();
        view->activateWindow();
        view->setFocus(Qt::OtherFocusReason);
    }
    Q_EMIT opened();
    Q_EMIT regionsChanged();
}

void SelectionController::selected(int display, const QRectF& rect)
{
    if (!isOpen() || display < 0 || display >= m_snapshots.size())
        return;
    if (!(rect.width() > minimumSide) || !(rect.height() > minimumSide))
        return;
    m_regions.append({display, rect});
    Q_EMIT regionsChanged();
    if (!m_multiple)
        finish(false);
}

void SelectionController::undo()
{
    if (m_regions.isEmpty())
        return;
    m_regions.removeLast();
    Q_EMIT regionsChanged();
}

void SelectionController::finish(bool cancel)
{
    const bool wasOpen = isOpen();
    QList<QImage> images;
    if (!cancel) {
        for (const Region& region : std::as_const(m_regions)) {
            const DisplaySnapshot& snapshot = m_snapshots.at(region.display);
            const QImage image = snapshot.crop(region.rect.translated(snapshot.frame.topLeft()));
            if (!image.isNull())
                images.append(image);
        }
    }

    // The view may be inside its own event handler: delete it later, hide it now.
    for (const QPointer<SelectionView>& view : std::as_const(m_views)) {
        if (view) {
            view->hide();
            view->deleteLater();
        }
    }
    m_views.clear();
    m_snapshots.clear();
    m_regions.clear();

    if (m_activator && m_previousWindow != 0)
        m_activator->activate(m_previousWindow);

    if (wasOpen)
        Q_EMIT closed();
    if (Completion completion = std::exchange(m_completion, nullptr))
        completion(std::move(images));
}

QList<SelectionView*> SelectionController::panels() const
{
    QList<SelectionView*> result;
    for (const QPointer<SelectionView>& view : m_views) {
        if (view)
            result.append(view.data());
    }
    return result;
}

} // namespace vellumix
