// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalScreenGrabber.h"

#include "core/Cancellation.h"
#include "core/Errors.h"
#include "platform/portal/PortalRequest.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPromise>
#include <QScreen>
#include <QUrl>

#include <cmath>
#include <memory>

namespace vellumix {
namespace {

// The parts of `image`, a picture of `layout` (logical coordinates), under each of `screens`; a
// null image for a screen outside it.
QList<QImage> cut(const QImage& image, const QRect& layout, const QList<QRect>& screens)
{
    QList<QImage> images;
    if (image.isNull() || layout.isEmpty())
        return QList<QImage>(screens.size());
    const double sx = double(image.width()) / layout.width();
    const double sy = double(image.height()) / layout.height();
    for (const QRect& screen : screens) {
        // Rounded edges: neighbouring screens meet without a gap or an overlap at any scale.
        const int left = int(std::lround((screen.x() - layout.x()) * sx));
        const int top = int(std::lround((screen.y() - layout.y()) * sy));
        const int right = int(std::lround((screen.x() + screen.width() - layout.x()) * sx));
        const int bottom = int(std::lround((screen.y() + screen.height() - layout.y()) * sy));
        const QRect pixels =
            QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(image.rect());
        if (screen.isEmpty() || pixels.isEmpty()) {
            images.append(QImage());
            continue;
        }
        QImage part = image.copy(pixels);
        part.setDevicePixelRatio(sx);
        images.append(part);
    }
    return images;
}

} // namespace

PortalScreenGrabber::PortalScreenGrabber(int timeoutMs, QObject* parent)
    : QObject(parent), m_timeoutMs(timeoutMs)
{
}

QFuture<QImage> PortalScreenGrabber::screenshot(bool interactive)
{
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    QFuture<QString> file = promise->future();
    const auto fail = [promise](const std::exception_ptr& error) {
        promise->setException(error);
        promise->finish();
    };
    // The dialog waits for the user as long as it takes.
    auto* request = new portal::PortalRequest(
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"), {QString()},
        {{QStringLiteral("interactive"), interactive}}, interactive ? 0 : m_timeoutMs, this);
    connect(request, &portal::PortalRequest::answered, this,
            [this, promise, fail, interactive](uint response, const QVariantMap& results) {
                const QUrl uri(results.value(QStringLiteral("uri")).toString());
                // Escape in a dialog ends with 2 on some desktops (wlroots): a cancel there.
                if (response == 1 || (interactive && response == 2))
                    return fail(std::make_exception_ptr(Cancelled{}));
                if (response == 2) { // a refusal, stored or just given
                    m_interactiveOnly = true;
                    return fail(std::make_exception_ptr(VellumixError(VellumixError::Kind::Permission)));
                }
                if (response != 0 || !uri.isLocalFile())
                    return fail(std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture)));
                promise->addResult(uri.toLocalFile());
                promise->finish();
            });
    connect(request, &portal::PortalRequest::failed, this, [fail](const QString& reason) {
        qWarning("Screenshot portal: %s", qUtf8Printable(reason));
        fail(std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture)));
    });

    // Decoding a whole layout takes a while; it runs off the GUI thread.
    return file.then(QtFuture::Launch::Async, [](const QString& path) {
        QImageReader reader(path);
        reader.setAllocationLimit(0); // several 4K outputs at scale 2 exceed Qt's default
        const QImage image = reader.read();
        // The portal leaves its file behind (in /tmp or the user's pictures): it is ours now.
        QFile::remove(path);
        if (image.isNull())
            throw VellumixError(VellumixError::Kind::Capture);
        return image;
    });
}

QFuture<QList<QImage>> PortalScreenGrabber::grab(const QList<QScreen*>& screens)
{
    // The layout and the screens as they are now: the portal answers later.
    QRect layout;
    for (const QScreen* screen : QGuiApplication::screens())
        layout = layout.united(screen->geometry());
    QList<QRect> geometries;
    for (const QScreen* screen : screens)
        geometries.append(screen ? screen->geometry() : QRect());
    return screenshot(false).then(QtFuture::Launch::Sync, [layout, geometries](const QImage& image) {
        return cut(image, layout, geometries);
    });
}

QFuture<QImage> PortalScreenGrabber::pick()
{
    return screenshot(true).onFailed([](const Cancelled&) { return QImage(); });
}

} // namespace vellumix
