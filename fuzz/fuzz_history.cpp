// SPDX-License-Identifier: GPL-3.0-or-later
// history.json as found on disk: loading and the start-up pruning must never touch a file the
// store did not write, nor lose an unreadable file.
#include "FuzzTarget.h"

#include "model/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellumix;
    fuzz::ensureApplication();
    QTemporaryDir dir;
    const QByteArray contents(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDir folder(dir.path());
    QFile history(folder.filePath(HistoryStore::fileName));
    QFile canary(folder.filePath(QStringLiteral("precious.txt")));
    fuzz::check(history.open(QIODevice::WriteOnly) && history.write(contents) == contents.size() &&
                canary.open(QIODevice::WriteOnly));
    history.close();
    canary.close();
    {
        HistoryStore store(dir.path(), [] { return 1e9; });
        store.cleanup(1); // everything older than a day goes, images included
        for (const HistoryEntry& entry : store.entries())
            fuzz::check(!entry.imageName || QFileInfo(store.imagePath(entry)).dir() == folder);
        if (store.storageError()) {
            // Unreadable: kept aside byte for byte.
            const QStringList aside = folder.entryList({QStringLiteral("history-unreadable-*")});
            QFile kept(folder.filePath(aside.value(0)));
            fuzz::check(aside.size() == 1 && kept.open(QIODevice::ReadOnly) && kept.readAll() == contents);
        }
    }
    fuzz::check(QFile::exists(canary.fileName()));
    return 0;
}
