// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/RegionTool.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QStringList>
#include <QTest>

namespace vellumix::testing {

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

inline void drag(QWidget* view, QPoint from, QPoint to)
{
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

} // namespace vellumix::testing
