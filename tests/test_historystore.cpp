// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"
#include "model/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

constexpr double now = 800000000.25; // a fixed moment, fraction included

using pdftest::readFile;
using pdftest::writeFile;

// An image file of the given apparent size that takes no disk space; returns its name.
QString sparseImage(const QTemporaryDir& dir, qint64 size)
{
    const QString name = HistoryEntry::idString(QUuid::createUuid()) + u".png"_s;
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.resize(size) ? name : QString();
}

QJsonObject entryJson(const QString& text, double created, const QString& imageName = {})
{
    const std::optional<QString> image = imageName.isEmpty() ? std::nullopt : std::optional(imageName);
    return HistoryEntry{QUuid::createUuid(), text, created, text, u"Screen"_s, u"Automatic"_s, 0.5f, image}
        .toJson();
}

// Writes history.json with these entries, newest first, and opens the store on it.
std::unique_ptr<HistoryStore> seeded(const QTemporaryDir& dir, const QJsonArray& entries)
{
    writeFile(dir.filePath(HistoryStore::fileName), QJsonDocument(entries).toJson());
    return std::make_unique<HistoryStore>(dir.path(), [] { return now; });
}

QJsonArray stored(const QTemporaryDir& dir)
{
    return QJsonDocument::fromJson(readFile(dir.filePath(HistoryStore::fileName))).array();
}

QStringList pngFiles(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList({u"*.png"_s}, QDir::Files);
}

void add(HistoryStore& store, const QString& text, const QImage& image = {}, bool retain = false)
{
    store.add(text, u"Screen"_s, u"Automatic"_s, 0.75f, image, retain, 30);
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void storedForm()
    {
        QTemporaryDir dir;
        auto store = seeded(dir, {});
        const QImage image(7, 5, QImage::Format_RGB32);
        add(*store, u"kept"_s, image, true);
        add(*store, u"not\nkept"_s, image, false);
        QVERIFY(!readFile(dir.filePath(HistoryStore::fileName)).contains('\n'));
        const QJsonObject plain = stored(dir).at(0).toObject();
        QCOMPARE(plain.keys().join(u' '), u"confidence created id language source status text title"_s);
        QCOMPARE(plain.value(u"id"_s).toString(),
                 store->entries().at(0).id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(plain.value(u"title"_s).toString(), u"not kept"_s);
        QCOMPARE(pngFiles(dir), QStringList{HistoryEntry::idString(store->entries().at(1).id) + u".png"_s});
        QCOMPARE(HistoryStore(dir.path()).entries(), store->entries()); // fractions and floats survive
    }
    void unreadableFileIsKeptAside()
    {
        // A valid entry first shows that one bad entry spoils the whole file.
        QJsonObject bad = entryJson(u"t"_s, now);
        bad.insert(u"imageName"_s, u"../x.png"_s);
        const QByteArray contents = QJsonDocument(QJsonArray{entryJson(u"good"_s, now), bad}).toJson();
        QTemporaryDir dir;
        for (int round = 0; round < 2; ++round) { // a second unreadable file must not clash
            QVERIFY(writeFile(dir.filePath(HistoryStore::fileName), contents));
            HistoryStore store(dir.path(), [] { return now; });
            QVERIFY(store.entries().isEmpty() && store.storageError()->contains(u"kept as"_s));
            add(store, u"new"_s); // the write that replaces an unreadable file
        }
        QCOMPARE(stored(dir).size(), 1);
        const QStringList aside = QDir(dir.path()).entryList({u"history-unreadable-*"_s});
        QCOMPARE(aside.size(), 2);
        for (const QString& name : aside)
            QCOMPARE(readFile(dir.filePath(name)), contents);
    }
    void onlyTheStoresOwnImageNamesAreDeleted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        const QString id = HistoryEntry::idString(QUuid::createUuid());
        QTest::newRow("an image the store wrote") << id + u".png"_s << true;
        QTest::newRow("lower case") << id.toLower() + u".png"_s << true;
        QTest::newRow("any file of the folder") << u"precious.txt"_s << false;
        QTest::newRow("the history itself") << HistoryStore::fileName << false;
        QTest::newRow("a kept-aside file") << u"history-unreadable-20260101-000000.json"_s << false;
        QTest::newRow("braced id") << u"{"_s + id + u"}.png"_s << false;
        QTest::newRow("id with another ending") << id + u".pnh"_s << false;
    }
    void onlyTheStoresOwnImageNamesAreDeleted()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QTemporaryDir dir;
        const QString target = dir.filePath(name);
        const QJsonArray entries{entryJson(u"expired"_s, now - 400 * 86400.0, name)};
        QVERIFY(writeFile(dir.filePath(HistoryStore::fileName), QJsonDocument(entries).toJson()));
        if (name != HistoryStore::fileName)
            QVERIFY(writeFile(target, "keep me"));
        HistoryStore store(dir.path(), [] { return now; });
        store.cleanup(30);
        QVERIFY(store.entries().isEmpty());
        QCOMPARE(QFileInfo::exists(target), !accepted);
        QCOMPARE(store.storageError().has_value(), !accepted); // the file is kept aside, whole
        if (!accepted && name != HistoryStore::fileName)
            QCOMPARE(readFile(target), QByteArray("keep me"));
    }
    void noPeriodNeverEmptiesTheHistory_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("kept");
        QTest::newRow("7") << 7 << 1;
        QTest::newRow("0") << 0 << 3;
        QTest::newRow("INT_MIN") << INT_MIN << 3;
        QTest::newRow("INT_MAX") << INT_MAX << 3;
    }
    void noPeriodNeverEmptiesTheHistory()
    {
        QFETCH(int, days);
        QFETCH(int, kept);
        QTemporaryDir dir;
        auto store = seeded(dir, {entryJson(u"a"_s, now - 86400.0), entryJson(u"b"_s, now - 10 * 86400.0),
                                  entryJson(u"c"_s, now - 1e9)});
        store->cleanup(days);
        QCOMPARE(store->entries().size(), kept);
    }
    void recording501stDropsTheOldest()
    {
        QTemporaryDir dir;
        QJsonArray entries;
        for (int i = 0; i < 500; ++i)
            entries.append(
                entryJson(QString::number(i), now - i, i == 499 ? sparseImage(dir, 10) : QString()));
        auto store = seeded(dir, entries);
        add(*store, u"newest"_s);
        QCOMPARE(store->entries().first().text, u"newest"_s);
        QCOMPARE(store->entries().last().text, u"498"_s);
        QVERIFY(pngFiles(dir).isEmpty() && stored(dir).size() == 500);
    }
    void retentionAndImageBudget()
    {
        QTemporaryDir dir;
        const qint64 limit = HistoryStore::imageBudget;
        // Newest first; the two oldest are past a 7-day retention by nothing and by a millisecond.
        const QList<qint64> sizes{limit - 10, -1, 5, 5, 3, 4, 1, 1};
        const QList<double> ages{0, 1, 2, 3, 4, 5, 7 * 86400.0, 7 * 86400.0 + 0.001};
        QJsonArray entries;
        for (qsizetype i = 0; i < sizes.size(); ++i)
            entries.append(entryJson(QString::number(i), now - ages.at(i),
                                     sizes.at(i) < 0 ? QString() : sparseImage(dir, sizes.at(i))));
        auto store = seeded(dir, entries);
        store->cleanup(7);
        // Over by 8 after expiry: images go from the oldest until the rest fit exactly.
        QList<bool> kept;
        for (const HistoryEntry& entry : store->entries())
            kept.append(entry.imageName && QFile::exists(store->imagePath(entry)));
        QCOMPARE(kept, (QList<bool>{true, false, true, true, false, false, false}));
        QCOMPARE(stored(dir).size(), 7);
    }
    void permissionsAndFailedWrites()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"a/Vellumix"_s);
        HistoryStore store(folder);
        QCOMPARE(QFileInfo(folder).permissions() & QFile::Permissions(0x7777), QFile::Permissions(0x7700));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755))); // an older, too open folder
        QCOMPARE(HistoryStore(folder).entries().size(), 0);
        QCOMPARE(QFileInfo(folder).permissions() & QFile::Permissions(0x7777), QFile::Permissions(0x7700));
        const QString file = QDir(folder).filePath(HistoryStore::fileName);
        QVERIFY(writeFile(file, "[]") && QFile::setPermissions(file, QFile::Permissions(0x6644)));
        store.cleanup(30);
        QCOMPARE(QFileInfo(file).permissions() & QFile::Permissions(0x7777), QFile::Permissions(0x6600));

        QVERIFY(QDir(folder).removeRecursively() && writeFile(folder, "a file where the folder was"));
        add(store, u"two"_s, QImage(2, 2, QImage::Format_RGB32), true);
        QVERIFY(store.storageError() && !store.storageError()->startsWith(HistoryStore::loadPrefix));
        QVERIFY(!store.entries().first().imageName); // kept in memory, without the image
        QCOMPARE(readFile(folder), QByteArray("a file where the folder was"));
    }
    void searchDeleteAndPurge()
    {
        QTemporaryDir dir;
        auto store = seeded(dir, {});
        for (const QString& text : {u"invoice from istanbul"_s, u"an invoice here"_s, u"other"_s})
            add(*store, text, QImage(3, 3, QImage::Format_RGB32), true);
        QCOMPARE(store->search(u"İSTANBUL"_s, QLocale(u"tr_TR"_s)).size(), 1);
        store->deleteEntry(store->entries().at(1).id);
        QCOMPARE(store->search(u"INVOICE"_s, QLocale::c()).size(), 1);
        QCOMPARE(pngFiles(dir).size(), 2); // its image goes with it
        store->purgeImages();
        QVERIFY(!store->entries().first().imageName && pngFiles(dir).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_historystore.moc"
