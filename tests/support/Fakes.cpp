// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Fakes.h"

#include <QScreen>
#include <QThread>
#include <QUuid>

namespace vellumix::testing {

QImage keyed(int key)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(key, 0, 0));
    return image;
}

Recognition recognition(const QString& text, float confidence, const QStringList& codes)
{
    Recognition result;
    if (!text.isEmpty())
        result.blocks.append({QUuid::createUuid(), text, confidence, 0.1, 0.5, 0.5, 0.05});
    result.codes = codes;
    return result;
}

Recognition FakeEngine::recognize(const QImage& image, const OCROptions&, const CancelToken& cancel)
{
    const int key = qRed(image.pixel(image.width() / 2, image.height() / 2));
    QMutexLocker lock(&mutex); // document pages arrive on several threads
    keys.append(key);
    lock.unlock();
    ++calls;
    while (holdKey == key && !released) {
        if (honoursCancel && cancel.isCancelled())
            throw Cancelled{};
        QThread::msleep(1);
    }
    if (key == failKey)
        throw PlatformError(QStringLiteral("The engine broke."));
    return results.contains(key) || key == 0 ? results.value(key)
                                             : recognition(QStringLiteral("text %1").arg(key));
}

void FakeCapture::cancel()
{
    if (!pending || !honoursCancel)
        return;
    if (calls.last() == Road::Regions && overlayOpen)
        deliver({});
    else
        fail(std::make_exception_ptr(Cancelled{}));
}

void FakeCapture::openOverlay()
{
    overlayOpen = true;
    Q_EMIT waitingForUser();
}

void FakeCapture::deliver(const QList<QImage>& images)
{
    overlayOpen = false;
    pending->addResult(images);
    pending->finish();
    pending.reset();
}

void FakeCapture::fail(std::exception_ptr error)
{
    overlayOpen = false;
    pending->setException(std::move(error));
    pending->finish();
    pending.reset();
}

QFuture<QList<QImage>> FakeCapture::open(Road road)
{
    calls.append(road);
    pending.emplace();
    pending->start();
    QFuture<QList<QImage>> future = pending->future();
    if (failAtOnce)
        fail(failAtOnce);
    else if (road == Road::Regions && !slowSnapshots)
        openOverlay();
    return future;
}

void FakeHotKeyBackend::registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers)
{
    unanswered.append({id, {keycode, modifiers}});
    if (!answerLater)
        answer();
}

void FakeHotKeyBackend::answer()
{
    for (const auto& [id, combination] : std::exchange(unanswered, {})) {
        const int status = refused.value(combination, 0);
        if (status == 0)
            bound.insert(id, combination);
        Q_EMIT registered(id, status);
    }
}

void FakeHotKeyBackend::lose(int id, int status)
{
    bound.remove(id);
    Q_EMIT registrationLost(id, status);
}

QFuture<QList<QImage>> FakeGrabber::grab(const QList<QScreen*>& screens)
{
    QList<QImage> images;
    for (QScreen* screen : screens) {
        if (refused.contains(screen->name())) {
            images.append(QImage());
            continue;
        }
        const QSize size = screen->geometry().size() * screen->devicePixelRatio();
        QImage image = coordinateImage(size.width(), size.height());
        image.setDevicePixelRatio(screen->devicePixelRatio());
        images.append(image);
    }
    return QtFuture::makeReadyFuture(images);
}

QImage coordinateImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
    }
    return image;
}

} // namespace vellumix::testing
