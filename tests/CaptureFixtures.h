// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/RegionTool.h"
#include "capture/ScreenGrabber.h"
#include "capture/WindowActivator.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QStringList>
#include <QTest>

namespace vellumix::test {

// A frame whose pixels tell where they came from: red = x, green = y (native pixels, mod 256),
// blue = the 256-blocks of both.
inline QImage coordinateImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
    }
    return image;
}

// Returns each screen's content at native size, except for the screens it is told to refuse.
class FakeGrabber final : public ScreenGrabber
{
public:
    QStringList refused;
    QImage grab(QScreen* screen) override
    {
        if (refused.contains(screen->name()))
            return {};
        const QSize size = screen->geometry().size() * screen->devicePixelRatio();
        QImage image = coordinateImage(size.width(), size.height());
        image.setDevicePixelRatio(screen->devicePixelRatio());
        return image;
    }
};

// A region tool running `body` as a shell script inside `folder`; its output path is "$1".
inline RegionTool fakeTool(const QString& folder, const QString& body)
{
    static int count = 0;
    QFile script(folder + QStringLiteral("/tool-%1.sh").arg(++count));
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\ncd \"$(dirname \"$0\")\"\n" + body.toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    RegionTool tool = RegionTool::maim();
    tool.program = script.fileName();
    tool.arguments = {QStringLiteral("{file}")};
    return tool;
}

// The private folders of region captures still present.
inline QStringList captureFolders()
{
    return QDir(QDir::tempPath())
        .entryList({QStringLiteral("Vellumix-Capture-*")}, QDir::AllEntries | QDir::Hidden);
}

// Remembers which windows the overlay handed the focus back to.
class FakeActivator final : public WindowActivator
{
public:
    quint64 active = 0x4200007;
    QList<quint64> activated;
    quint64 activeWindow() override { return active; }
    void activate(quint64 window) override { activated.append(window); }
};

inline void drag(QWidget* view, QPoint from, QPoint to)
{
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

} // namespace vellumix::test
