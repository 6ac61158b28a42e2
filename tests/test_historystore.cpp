// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

constexpr double now = 800000000.25; // a fixed moment, fraction included
constexpr double day = 86400.0;

HistoryStore::Clock fixedClock()
{
    return [] { return now; };
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// An image file of the given apparent size that takes no disk space; returns its name.
QString sparseImage(const QString& folder, qint64 size)
{
    const QString name = HistoryEntry::idString(QUuid::createUuid()) + u".png"_s;
    QFile file(QDir(folder).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.resize(size) ? name : QString();
}

QJsonObject entryJson(const QString& text, double created, const QString& imageName = {})
{
    HistoryEntry entry{QUuid::createUuid(), text, created, text, u"Screen"_s, u"Automatic"_s, 0.5f};
    if (!imageName.isEmpty())
        entry.imageName = imageName;
    return entry.toJson();
}

// Writes history.json with these entries, newest first.
bool seed(const QTemporaryDir& dir, const QJsonArray& entries)
{
    return writeFile(dir.filePath(HistoryStore::fileName), QJsonDocument(entries).toJson());
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
        QList<HistoryEntry> written;
        {
            HistoryStore store(dir.path(), fixedClock());
            QImage image(7, 5, QImage::Format_RGB32);
            image.fill(Qt::red);
            add(store, u"kept"_s, image, true);
            add(store, u"not kept"_s, image, false);
            written = store.entries();
        }
        const QByteArray bytes = readFile(dir.filePath(HistoryStore::fileName));
        QVERIFY(bytes.startsWith("[{") && !bytes.contains('\n'));
        const QJsonObject plain = stored(dir).at(0).toObject();
        QStringList keys = plain.keys();
        keys.sort();
        QCOMPARE(keys.join(u' '), u"confidence created id language source status text title"_s);
        QVERIFY(QRegularExpression(u"^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s)
                    .match(plain.value(u"id"_s).toString())
                    .hasMatch());
        QCOMPARE(plain.value(u"created"_s).toDouble(), now);
        QCOMPARE(plain.value(u"status"_s).toString(), u"Recognized"_s);

        const QString name = stored(dir).at(1).toObject().value(u"imageName"_s).toString();
        QCOMPARE(name, HistoryEntry::idString(written.at(1).id) + u".png"_s);
        QCOMPARE(name.size(), 40);
        QCOMPARE(pngFiles(dir), QStringList{name});
        QCOMPARE(QImage(dir.filePath(name)).pixel(0, 0), qRgb(255, 0, 0));

        HistoryStore reread(dir.path(), fixedClock());
        QCOMPARE(reread.entries(), written); // fractions of "created" and float confidences survive
        QVERIFY(!reread.storageError());
    }
    void titles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("line feed becomes a space, cut at 60")
            << u"0123456789\n"_s + QString(59, u'x') << u"0123456789 "_s + QString(49, u'x');
        QTest::newRow("short text whole") << u"abcde"_s << u"abcde"_s;
        QTest::newRow("nothing trimmed") << u"  a\tb\r\n"_s << u"  a\tb\r "_s;
        QTest::newRow("combining marks count once") << u"e\u0301"_s.repeated(61) << u"e\u0301"_s.repeated(60);
        QTest::newRow("outside the basic plane") << u"😀"_s.repeated(65) << u"😀"_s.repeated(60);
    }
    void titles()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QCOMPARE(HistoryStore::titleFor(text), title);
    }
    void decoding_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("loads");
        // A valid entry first shows that one bad entry spoils the whole file.
        const auto with = [](const QString& key, const QJsonValue& value) {
            QJsonObject object = entryJson(u"t"_s, now);
            value.isUndefined() ? void(object.remove(key)) : void(object.insert(key, value));
            return QJsonDocument(QJsonArray{entryJson(u"good"_s, now), object}).toJson();
        };
        QTest::newRow("unknown key ignored") << with(u"extra"_s, 1) << true;
        QTest::newRow("image name null") << with(u"imageName"_s, QJsonValue::Null) << true;
        QTest::newRow("lower-case id")
            << with(u"id"_s, QUuid::createUuid().toString(QUuid::WithoutBraces)) << true;
        QTest::newRow("no status") << with(u"status"_s, QJsonValue::Undefined) << false;
        QTest::newRow("created as text") << with(u"created"_s, u"now"_s) << false;
        QTest::newRow("no confidence") << with(u"confidence"_s, QJsonValue::Undefined) << false;
        QTest::newRow("invalid id") << with(u"id"_s, u"not-a-uuid"_s) << false;
        QTest::newRow("braced id") << with(u"id"_s, QUuid::createUuid().toString()) << false;
        QTest::newRow("image name a number") << with(u"imageName"_s, 4) << false;
        QTest::newRow("image name outside the folder") << with(u"imageName"_s, u"../x.png"_s) << false;
        QTest::newRow("not a list") << QByteArray("{}") << false;
        QTest::newRow("truncated") << QByteArray("[{\"id\":") << false;
    }
    void decoding()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, loads);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(HistoryStore::fileName), contents));
        HistoryStore store(dir.path(), fixedClock());
        QCOMPARE(store.entries().size(), loads ? 2 : 0);
        QCOMPARE(store.storageError().has_value(), !loads);
        if (!loads)
            QVERIFY2(store.storageError()->startsWith(HistoryStore::loadPrefix) &&
                         store.storageError()->size() > HistoryStore::loadPrefix.size() + 10,
                     qPrintable(*store.storageError()));
    }
    void unreadableFilesAreNeverLost()
    {
        QTemporaryDir dir;
        const QList<QByteArray> broken{"[{\"broken\": true}]", "not json at all"};
        for (const QByteArray& contents : broken) {
            QVERIFY(writeFile(dir.filePath(HistoryStore::fileName), contents));
            HistoryStore store(dir.path(), fixedClock());
            QVERIFY(store.storageError()->contains(u"kept as"_s));
            add(store, u"new"_s); // the write that would have replaced it
        }
        QCOMPARE(stored(dir).size(), 1);
        QList<QByteArray> kept;
        for (const QString& name : QDir(dir.path()).entryList({u"history-unreadable-*"_s}))
            kept.append(readFile(dir.filePath(name)));
        std::sort(kept.begin(), kept.end());
        QCOMPARE(kept, broken);
    }
    void recording501stDropsTheOldest()
    {
        QTemporaryDir dir;
        QJsonArray entries;
        for (int i = 0; i < 500; ++i)
            entries.append(
                entryJson(QString::number(i), now - i, i == 499 ? sparseImage(dir.path(), 10) : QString()));
        QVERIFY(seed(dir, entries));
        HistoryStore store(dir.path(), fixedClock());
        add(store, u"newest"_s);
        QCOMPARE(store.entries().size(), 500);
        QCOMPARE(store.entries().first().text, u"newest"_s);
        QCOMPARE(store.entries().last().text, u"498"_s);
        QVERIFY(pngFiles(dir).isEmpty());
        QCOMPARE(stored(dir).size(), 500);
    }
    void retention_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<double>("age");
        QTest::addColumn<bool>("kept");
        QTest::newRow("8 days old, 7 kept") << 7 << 8 * day << false;
        QTest::newRow("6 days old, 7 kept") << 7 << 6 * day << true;
        QTest::newRow("exactly at the cutoff") << 7 << 7 * day << true;
        QTest::newRow("a millisecond past it") << 7 << 7 * day + 0.001 << false;
        QTest::newRow("zero days keeps this moment") << 0 << 0.0 << true;
        QTest::newRow("negative days drops even now") << -1 << 0.0 << false;
    }
    void retention()
    {
        QFETCH(int, days);
        QFETCH(double, age);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        QVERIFY(seed(dir, {entryJson(u"old"_s, now - age, sparseImage(dir.path(), 100))}));
        HistoryStore store(dir.path(), fixedClock());
        store.cleanup(days);
        QCOMPARE(store.entries().size(), kept ? 1 : 0);
        QCOMPARE(pngFiles(dir).size(), kept ? 1 : 0);
        QCOMPARE(stored(dir).size(), kept ? 1 : 0);
    }
    void imageBudget_data()
    {
        QTest::addColumn<QList<qint64>>("sizes"); // newest first; -1 for an entry without an image
        QTest::addColumn<QList<bool>>("keepsImage");
        const qint64 limit = HistoryStore::imageBudget;
        QTest::newRow("exactly at the limit")
            << QList<qint64>{limit / 2, limit / 2} << QList<bool>{true, true};
        QTest::newRow("one byte over drops the oldest")
            << QList<qint64>{limit / 2, 1, limit / 2} << QList<bool>{true, true, false};
        QTest::newRow("entries without images passed over")
            << QList<qint64>{limit, -1, 1, -1} << QList<bool>{true, false, false, false};
        QTest::newRow("walk stops under the limit")
            << QList<qint64>{limit - 10, 5, 5, 3, 4} << QList<bool>{true, true, true, false, false};
    }
    void imageBudget()
    {
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<bool>, keepsImage);
        QTemporaryDir dir;
        QJsonArray entries;
        QStringList names;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            names.append(sizes.at(i) < 0 ? QString() : sparseImage(dir.path(), sizes.at(i)));
            entries.append(entryJson(QString::number(i), now - double(i), names.last()));
        }
        QVERIFY(seed(dir, entries));
        HistoryStore store(dir.path(), fixedClock());
        store.cleanup(30);
        QCOMPARE(store.entries().size(), sizes.size()); // entries stay, only images go
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            QCOMPARE(store.entries().at(i).imageName.has_value(), keepsImage.at(i));
            if (!names.at(i).isEmpty())
                QCOMPARE(QFile::exists(dir.filePath(names.at(i))), keepsImage.at(i));
        }
    }
    void editing()
    {
        QTemporaryDir dir;
        HistoryStore store(dir.path(), fixedClock());
        const QImage image(3, 3, QImage::Format_RGB32);
        add(store, u"first text"_s, image, true);
        add(store, u"second"_s, image, true);
        const QUuid id = store.entries().at(1).id;
        const QString path = dir.filePath(HistoryStore::fileName);

        QFile::remove(path);
        store.update(QUuid::createUuid(), u"t"_s, u"x"_s);
        QVERIFY(!QFile::exists(path)); // an unknown id writes nothing
        store.update(id, QString(), std::nullopt);
        QCOMPARE(store.entries().at(1).text, u"first text"_s);
        store.update(id, std::nullopt, u"edited"_s);
        QCOMPARE(store.entries().at(1).title, QString());
        QCOMPARE(stored(dir).at(1).toObject().value(u"text"_s).toString(), u"edited"_s);

        QFile::remove(path);
        store.deleteEntry(QUuid::createUuid());
        QCOMPARE(stored(dir).size(), 2); // an unknown id still rewrites
        store.deleteEntry(id);
        QCOMPARE(store.entries().size(), 1);
        QCOMPARE(pngFiles(dir).size(), 1);

        store.purgeImages();
        QCOMPARE(store.entries().size(), 1);
        QVERIFY(!store.entries().first().imageName);
        QVERIFY(pngFiles(dir).isEmpty());

        QVERIFY(writeFile(dir.filePath(u"unrelated.png"_s), "x"));
        add(store, u"third"_s, image, true);
        store.clear();
        QCOMPARE(readFile(path), QByteArray("[]"));
        QCOMPARE(pngFiles(dir), QStringList{u"unrelated.png"_s});
    }
    void permissions()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"a/b/Vellumix"_s);
        HistoryStore store(folder, fixedClock());
        QCOMPARE(QFileInfo(folder).permissions() & QFile::Permissions(0x7777), QFile::Permissions(0x7700));
        const QString file = QDir(folder).filePath(HistoryStore::fileName);
        QVERIFY(writeFile(file, "[]"));
        QVERIFY(QFile::setPermissions(file, QFile::Permissions(0x6644)));
        store.cleanup(30);
        QCOMPARE(QFileInfo(file).permissions() & QFile::Permissions(0x7777), QFile::Permissions(0x6600));
    }
    void failedWriteKeepsTheList()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"history"_s);
        HistoryStore store(folder, fixedClock());
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(writeFile(folder, "a file where the folder was"));
        add(store, u"two"_s, QImage(2, 2, QImage::Format_RGB32), true);
        QVERIFY(store.storageError() && !store.storageError()->startsWith(HistoryStore::loadPrefix));
        QCOMPARE(store.entries().size(), 1);
        QVERIFY(!store.entries().first().imageName);
        QCOMPARE(readFile(folder), QByteArray("a file where the folder was"));
    }
    void search_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");
        const QString c = u"C"_s;
        const QString tr = u"tr_TR"_s;
        QTest::newRow("empty query shows all")
            << c << QString() << QStringList{u"here"_s, u"Renamed"_s, u"istanbul"_s};
        QTest::newRow("upper-case query") << c << u"INVOICE"_s << QStringList{u"here"_s, u"istanbul"_s};
        QTest::newRow("title only") << c << u"renamed"_s << QStringList{u"Renamed"_s};
        QTest::newRow("query not trimmed") << c << u" invoice "_s << QStringList{u"here"_s};
        QTest::newRow("sharp s against SS") << c << u"STRASSE"_s << QStringList{u"Renamed"_s};
        QTest::newRow("Turkish dotless I") << tr << u"ISTANBUL"_s << QStringList{};
        QTest::newRow("Turkish dotted I") << tr << u"İSTANBUL"_s << QStringList{u"istanbul"_s};
    }
    void search()
    {
        QFETCH(QString, locale);
        QFETCH(QString, query);
        QFETCH(QStringList, found);
        QTemporaryDir dir;
        HistoryStore store(dir.path(), fixedClock());
        add(store, u"invoice from istanbul"_s);
        add(store, u"straße"_s);
        add(store, u"an invoice here"_s);
        store.update(store.entries().at(1).id, u"Renamed"_s, std::nullopt);
        QStringList titles;
        for (const HistoryEntry& entry : store.search(query, QLocale(locale)))
            titles.append(entry.title.section(u' ', -1));
        QCOMPARE(titles, found);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_historystore.moc"
