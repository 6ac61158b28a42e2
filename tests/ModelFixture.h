// SPDX-License-Identifier: GPL-3.0-or-later
// An AppModel over fakes: an engine reading a key from each image, a capture the test finishes.
#pragma once

#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "support/Fakes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

namespace vellumix::testing {

struct ModelFixture
{
    ModelFixture() : model(defaults, folder.path(), engine, capture, sound)
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QObject::connect(&model, &AppModel::openWorkspace, [this] { ++workspaceOpened; });
        QObject::connect(&model, &AppModel::toast, [this](const QString& text) { toasts.append(text); });
    }
    ~ModelFixture() { engine.released = true; } // a failed check must not leave the engine held

    Preferences& preferences() { return model.preferences(); }
    const QList<HistoryEntry>& history() { return model.history().entries(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    bool idle()
    {
        return QTest::qWaitFor([this] { return !model.busy() && !capture.pending; }, 5000);
    }
    bool run(const QList<int>& keys, Source source = Source::Screen)
    {
        QList<QImage> images;
        for (int key : keys)
            images.append(keyed(key));
        model.processImages(images, source);
        return idle();
    }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    FakeCapture capture;
    FakeSound sound;
    AppModel model;
    int workspaceOpened = 0;
    QStringList toasts;
};

} // namespace vellumix::testing
