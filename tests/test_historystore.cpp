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

namespace {

constexpr double now = 800000000.25; // a fixed moment, fraction included
constexpr double day = 86400.0;
const QString json = HistoryStore::fileName;

HistoryStore::Clock fixedClock(double at = now)
{
    return [at] { return at; };
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

QJsonObject entryJson(const QString& text, double created, const QString& imageName = {})
{
    QJsonObject object{{QStringLiteral("id"), HistoryEntry::idString(QUuid::createUuid())},
                       {QStringLiteral("title"), text},
                       {QStringLiteral("created"), created},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("source"), QStringLiteral("Screen")},
                       {QStringLiteral("language"), QStringLiteral("Automatic")},
                       {QStringLiteral("confidence"), 0.5},
                       {QStringLiteral("status"), QStringLiteral("Recognized")}};
    if (!imageName.isEmpty())
        object.insert(QStringLiteral("imageName"), imageName);
    return object;
}

QJsonArray storedArray(const QString& folder)
{
    return QJsonDocument::fromJson(readFile(QDir(folder).filePath(json))).array();
}

QStringList pngFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files);
}

// An image file of the given apparent size that takes no disk space.
QString sparseImage(const QString& folder, qint64 size)
{
    const QString name = HistoryEntry::idString(QUuid::createUuid()) + QStringLiteral(".png");
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        return {};
    return name;
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recordingWithoutImage();
    void recordingWithImage();
    void storedValuesReadBackUnchanged();
    void titles_data();
    void titles();
    void decoding_data();
    void decoding();
    void unreadableFilesAreNeverLost();
    void recording501stDropsTheOldest();
    void retention_data();
    void retention();
    void imageBudget_data();
    void imageBudget();
    void editing();
    void purgeAndClear();
    void permissions();
    void failedWriteKeepsTheList();
    void search_data();
    void search();
};

void TestHistoryStore::recordingWithoutImage()
{
    QTemporaryDir dir;
    HistoryStore store(dir.path(), fixedClock());
    store.add(QStringLiteral("Hello"), QStringLiteral("Screen"), QStringLiteral("Automatic"), 0.75f,
              QImage(4, 4, QImage::Format_RGB32), false, 30);

    const QByteArray bytes = readFile(dir.filePath(json));
    QVERIFY(bytes.startsWith("[{"));
    QVERIFY(!bytes.contains('\n'));
    const QJsonArray array = QJsonDocument::fromJson(bytes).array();
    QCOMPARE(array.size(), 1);
    const QJsonObject object = array.first().toObject();
    QStringList keys = object.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("confidence"), QStringLiteral("created"), QStringLiteral("id"),
                                QStringLiteral("language"), QStringLiteral("source"),
                                QStringLiteral("status"), QStringLiteral("text"), QStringLiteral("title")}));
    const QString id = object.value(QStringLiteral("id")).toString();
    QVERIFY(
        QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
            .match(id)
            .hasMatch());
    QCOMPARE(id, HistoryEntry::idString(store.entries().first().id));
    QCOMPARE(object.value(QStringLiteral("created")).toDouble(), now);
    QCOMPARE(object.value(QStringLiteral("confidence")).toDouble(), 0.75);
    QCOMPARE(object.value(QStringLiteral("status")).toString(), QStringLiteral("Recognized"));
    QVERIFY(pngFiles(dir.path()).isEmpty());
    QVERIFY(!store.storageError());
}

void TestHistoryStore::recordingWithImage()
{
    QTemporaryDir dir;
    HistoryStore store(dir.path(), fixedClock());
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    store.add(QStringLiteral("a"), QStringLiteral("Screen"), QString(), 0.5f, image, true, 30);
    store.add(QStringLiteral("b"), QStringLiteral("Screen"), QString(), 0.5f, QImage(), true, 30);

    const HistoryEntry& withImage = store.entries().at(1);
    const QString name = HistoryEntry::idString(withImage.id) + QStringLiteral(".png");
    QCOMPARE(name.size(), 40);
    QCOMPARE(withImage.imageName, std::optional(name));
    QCOMPARE(pngFiles(dir.path()), QStringList{name});
    QCOMPARE(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32), image);
    QCOMPARE(storedArray(dir.path()).at(1).toObject().value(QStringLiteral("imageName")).toString(), name);
    QVERIFY(!store.entries().first().imageName);
}

void TestHistoryStore::storedValuesReadBackUnchanged()
{
    QTemporaryDir dir;
    QList<HistoryEntry> written;
    {
        HistoryStore store(dir.path(), fixedClock(123456789.123456789));
        store.add(QStringLiteral("x\ny"), QStringLiteral("PDF"), QStringLiteral("de, en"), 0.1f,
                  QImage(2, 2, QImage::Format_RGB32), true, 30);
        store.add(QStringLiteral("ü 😀"), QStringLiteral("Image"), QStringLiteral("Automatic"), 0.3333333f,
                  QImage(), false, 30);
        written = store.entries();
    }
    HistoryStore reread(dir.path(), fixedClock(123456789.123456789));
    QCOMPARE(reread.entries(), written);
    QVERIFY(!reread.storageError());
}

void TestHistoryStore::titles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString seventy = QStringLiteral("0123456789\n") + QString(59, u'x');
    QTest::newRow("long text, line feed becomes a space")
        << seventy << QStringLiteral("0123456789 ") + QString(49, u'x');
    QTest::newRow("short text kept whole") << QStringLiteral("abcde") << QStringLiteral("abcde");
    QTest::newRow("nothing trimmed") << QStringLiteral("  a\tb\r\n") << QStringLiteral("  a\tb\r ");
    const QString accented = QStringLiteral("e\u0301").repeated(61);
    QTest::newRow("user-perceived characters") << accented << QStringLiteral("e\u0301").repeated(60);
    QTest::newRow("characters beyond the basic plane")
        << QStringLiteral("😀").repeated(65) << QStringLiteral("😀").repeated(60);
}

void TestHistoryStore::titles()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QCOMPARE(HistoryStore::titleFor(text), title);
}

void TestHistoryStore::decoding_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("loads");
    const auto with = [](const QString& key, const QJsonValue& value) {
        QJsonObject object = entryJson(QStringLiteral("t"), now);
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
        return QJsonDocument(QJsonArray{object}).toJson();
    };
    QTest::newRow("valid") << with(QStringLiteral("extra"), QStringLiteral("ignored")) << true;
    QTest::newRow("image name null") << with(QStringLiteral("imageName"), QJsonValue::Null) << true;
    QTest::newRow("lower-case id") << with(QStringLiteral("id"),
                                           QUuid::createUuid().toString(QUuid::WithoutBraces))
                                   << true;
    QTest::newRow("empty list") << QByteArray("[]") << true;
    QTest::newRow("no status") << with(QStringLiteral("status"), QJsonValue::Undefined) << false;
    QTest::newRow("no created") << with(QStringLiteral("created"), QJsonValue::Undefined) << false;
    QTest::newRow("created as text") << with(QStringLiteral("created"), QStringLiteral("now")) << false;
    QTest::newRow("confidence as text") << with(QStringLiteral("confidence"), QStringLiteral("1")) << false;
    QTest::newRow("invalid id") << with(QStringLiteral("id"), QStringLiteral("not-a-uuid")) << false;
    QTest::newRow("braced id") << with(QStringLiteral("id"), QUuid::createUuid().toString()) << false;
    QTest::newRow("image name a number") << with(QStringLiteral("imageName"), 4) << false;
    QTest::newRow("image name outside the folder")
        << with(QStringLiteral("imageName"), QStringLiteral("../escape.png")) << false;
    QTest::newRow("not a list") << QByteArray("{}") << false;
    QTest::newRow("truncated") << QByteArray("[{\"id\":") << false;
}

void TestHistoryStore::decoding()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, loads);
    QTemporaryDir dir;
    // A second, valid entry shows that one bad entry spoils the whole file.
    QByteArray file = contents;
    if (contents.startsWith("[{"))
        file = "[" + QJsonDocument(entryJson(QStringLiteral("good"), now)).toJson() + "," + contents.mid(1);
    writeFile(dir.filePath(json), file);

    HistoryStore store(dir.path(), fixedClock());
    if (loads) {
        QVERIFY(!store.storageError());
        QCOMPARE(store.entries().size(), QJsonDocument::fromJson(file).array().size());
        return;
    }
    QVERIFY(store.entries().isEmpty());
    QVERIFY(store.storageError());
    QVERIFY2(store.storageError()->startsWith(HistoryStore::loadPrefix), qPrintable(*store.storageError()));
    QVERIFY(store.storageError()->size() > HistoryStore::loadPrefix.size());
}

void TestHistoryStore::unreadableFilesAreNeverLost()
{
    QTemporaryDir dir;
    const QByteArray first = "[{\"broken\": true}]";
    const QByteArray second = "not json at all";
    writeFile(dir.filePath(json), first);
    {
        HistoryStore store(dir.path(), fixedClock());
        store.cleanup(30); // the start-up write
        QVERIFY(store.storageError()->contains(QStringLiteral("kept as")));
    }
    QCOMPARE(readFile(dir.filePath(json)), QByteArray("[]"));
    writeFile(dir.filePath(json), second);
    {
        HistoryStore store(dir.path(), fixedClock());
        store.add(QStringLiteral("new"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false, 30);
    }
    const QStringList kept =
        QDir(dir.path()).entryList({QStringLiteral("history-unreadable-*.json")}, QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 2);
    QList<QByteArray> contents{readFile(dir.filePath(kept.at(0))), readFile(dir.filePath(kept.at(1)))};
    QVERIFY(contents.contains(first));
    QVERIFY(contents.contains(second));
    QCOMPARE(storedArray(dir.path()).size(), 1);
}

void TestHistoryStore::recording501stDropsTheOldest()
{
    QTemporaryDir dir;
    QJsonArray array;
    for (int i = 0; i < 500; ++i)
        array.append(
            entryJson(QString::number(i), now - i, i == 499 ? sparseImage(dir.path(), 10) : QString()));
    writeFile(dir.filePath(json), QJsonDocument(array).toJson());
    QCOMPARE(pngFiles(dir.path()).size(), 1);

    HistoryStore store(dir.path(), fixedClock());
    store.add(QStringLiteral("newest"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false, 30);
    QCOMPARE(store.entries().size(), 500);
    QCOMPARE(store.entries().first().text, QStringLiteral("newest"));
    QCOMPARE(store.entries().last().text, QStringLiteral("498"));
    QVERIFY(pngFiles(dir.path()).isEmpty());
    QCOMPARE(storedArray(dir.path()).size(), 500);
}

void TestHistoryStore::retention_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<double>("age");
    QTest::addColumn<bool>("kept");
    QTest::newRow("8 days old, 7 kept") << 7 << 8 * day << false;
    QTest::newRow("6 days old, 7 kept") << 7 << 6 * day << true;
    QTest::newRow("exactly at the cutoff") << 7 << 7 * day << true;
    QTest::newRow("a millisecond past the cutoff") << 7 << 7 * day + 0.001 << false;
    QTest::newRow("zero days keeps only this moment") << 0 << 0.0 << true;
    QTest::newRow("zero days drops older") << 0 << 1.0 << false;
    QTest::newRow("negative days drops even now") << -1 << 0.0 << false;
}

void TestHistoryStore::retention()
{
    QFETCH(int, days);
    QFETCH(double, age);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString image = sparseImage(dir.path(), 100);
    writeFile(dir.filePath(json),
              QJsonDocument(QJsonArray{entryJson(QStringLiteral("old"), now - age, image)}).toJson());
    HistoryStore store(dir.path(), fixedClock());
    store.cleanup(days);
    QCOMPARE(store.entries().size(), kept ? 1 : 0);
    QCOMPARE(pngFiles(dir.path()).size(), kept ? 1 : 0);
    QCOMPARE(storedArray(dir.path()).size(), kept ? 1 : 0);
}

void TestHistoryStore::imageBudget_data()
{
    // Image sizes from newest to oldest; -1 is an entry without an image.
    QTest::addColumn<QList<qint64>>("sizes");
    QTest::addColumn<QList<bool>>("keepsImage");
    const qint64 limit = HistoryStore::imageBudget;
    QTest::newRow("exactly at the limit") << QList<qint64>{limit / 2, limit / 2} << QList<bool>{true, true};
    QTest::newRow("one byte over drops the oldest")
        << QList<qint64>{limit / 2, 1, limit / 2} << QList<bool>{true, true, false};
    QTest::newRow("entries without images are passed over")
        << QList<qint64>{limit, -1, 1, -1} << QList<bool>{true, false, false, false};
    QTest::newRow("walk stops once under the limit")
        << QList<qint64>{limit - 10, 5, 5, 3, 4} << QList<bool>{true, true, true, false, false};
    QTest::newRow("one image over the limit alone goes") << QList<qint64>{limit + 1} << QList<bool>{false};
}

void TestHistoryStore::imageBudget()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(QList<bool>, keepsImage);
    QTemporaryDir dir;
    QJsonArray array;
    for (qsizetype i = 0; i < sizes.size(); ++i)
        array.append(entryJson(QString::number(i), now - double(i),
                               sizes.at(i) < 0 ? QString() : sparseImage(dir.path(), sizes.at(i))));
    writeFile(dir.filePath(json), QJsonDocument(array).toJson());
    HistoryStore store(dir.path(), fixedClock());
    store.cleanup(30);
    QCOMPARE(store.entries().size(), sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const HistoryEntry& entry = store.entries().at(i);
        QCOMPARE(entry.text, QString::number(i));
        QCOMPARE(entry.imageName.has_value(), keepsImage.at(i));
        const bool hadImage = array.at(i).toObject().contains(QStringLiteral("imageName"));
        if (hadImage)
            QCOMPARE(QFile::exists(
                         dir.filePath(array.at(i).toObject().value(QStringLiteral("imageName")).toString())),
                     keepsImage.at(i));
    }
}

void TestHistoryStore::editing()
{
    QTemporaryDir dir;
    HistoryStore store(dir.path(), fixedClock());
    store.add(QStringLiteral("first text"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false, 30);
    const QUuid id = store.entries().first().id;
    const QString path = dir.filePath(json);

    QFile::remove(path);
    store.update(QUuid::createUuid(), QStringLiteral("t"), QStringLiteral("x"));
    QVERIFY(!QFile::exists(path)); // an unknown id writes nothing

    store.update(id, QStringLiteral(""), std::nullopt);
    QCOMPARE(store.entries().first().title, QString());
    QCOMPARE(store.entries().first().text, QStringLiteral("first text"));
    store.update(id, std::nullopt, QStringLiteral("edited"));
    QCOMPARE(store.entries().first().title, QString());
    QCOMPARE(storedArray(dir.path()).first().toObject().value(QStringLiteral("text")).toString(),
             QStringLiteral("edited"));

    QFile::remove(path);
    store.deleteEntry(QUuid::createUuid());
    QCOMPARE(store.entries().size(), 1);
    QCOMPARE(storedArray(dir.path()).size(), 1); // an unknown id still rewrites
    store.deleteEntry(id);
    QVERIFY(store.entries().isEmpty());
    QCOMPARE(readFile(path), QByteArray("[]"));
}

void TestHistoryStore::purgeAndClear()
{
    QTemporaryDir dir;
    HistoryStore store(dir.path(), fixedClock());
    for (int i = 0; i < 3; ++i)
        store.add(QString::number(i), QStringLiteral("Screen"), QString(), 1.0f,
                  QImage(3, 3, QImage::Format_RGB32), i != 1, 30);
    QCOMPARE(pngFiles(dir.path()).size(), 2);
    store.purgeImages();
    QCOMPARE(store.entries().size(), 3);
    for (const HistoryEntry& entry : store.entries())
        QVERIFY(!entry.imageName);
    QVERIFY(pngFiles(dir.path()).isEmpty());

    store.add(QStringLiteral("kept"), QStringLiteral("Screen"), QString(), 1.0f,
              QImage(3, 3, QImage::Format_RGB32), true, 30);
    const QString unrelated = dir.filePath(QStringLiteral("unrelated.png"));
    writeFile(unrelated, "x");
    store.clear();
    QVERIFY(store.entries().isEmpty());
    QCOMPARE(readFile(dir.filePath(json)), QByteArray("[]"));
    QCOMPARE(pngFiles(dir.path()), QStringList{QStringLiteral("unrelated.png")});
}

void TestHistoryStore::permissions()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a/b/Vellumix"));
    writeFile(dir.filePath(QStringLiteral("placeholder")), "");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::Permissions(0x7755));
    QDir(folder).removeRecursively();
    HistoryStore store(folder, fixedClock());
    QCOMPARE(QFileInfo(folder).permissions() & QFile::Permissions(0x7777),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser |
                 QFile::ExeUser);
    writeFile(QDir(folder).filePath(json), "[]");
    QFile::setPermissions(QDir(folder).filePath(json), QFile::Permissions(0x6644));
    store.cleanup(30);
    QCOMPARE(QFileInfo(QDir(folder).filePath(json)).permissions() & QFile::Permissions(0x7777),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void TestHistoryStore::failedWriteKeepsTheList()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("history"));
    HistoryStore store(folder, fixedClock());
    store.add(QStringLiteral("one"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false, 30);
    QVERIFY(!store.storageError());
    QVERIFY(QDir(folder).removeRecursively());
    writeFile(folder, "a file where the folder was");
    store.add(QStringLiteral("two"), QStringLiteral("Screen"), QString(), 1.0f,
              QImage(2, 2, QImage::Format_RGB32), true, 30);
    QVERIFY(store.storageError());
    QVERIFY(!store.storageError()->startsWith(HistoryStore::loadPrefix));
    QCOMPARE(store.entries().size(), 2);
    QVERIFY(!store.entries().first().imageName);
    QCOMPARE(readFile(folder), QByteArray("a file where the folder was"));
}

void TestHistoryStore::search_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found");
    const QString c = QStringLiteral("C");
    QTest::newRow("empty query shows all")
        << c << QString() << QStringList{QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")};
    QTest::newRow("upper-case query, lower-case text")
        << c << QStringLiteral("INVOICE") << QStringList{QStringLiteral("3"), QStringLiteral("1")};
    QTest::newRow("title only") << c << QStringLiteral("renamed") << QStringList{QStringLiteral("2")};
    QTest::newRow("query not trimmed")
        << c << QStringLiteral(" invoice ") << QStringList{QStringLiteral("3")};
    QTest::newRow("German sharp s") << c << QStringLiteral("STRASSE") << QStringList{QStringLiteral("2")};
    QTest::newRow("dotless I under Turkish rules")
        << QStringLiteral("tr_TR") << QStringLiteral("ISTANBUL") << QStringList{};
    QTest::newRow("dotted I under Turkish rules")
        << QStringLiteral("tr_TR") << QStringLiteral("İSTANBUL") << QStringList{QStringLiteral("1")};
    QTest::newRow("no match") << c << QStringLiteral("zebra") << QStringList{};
}

void TestHistoryStore::search()
{
    QFETCH(QString, locale);
    QFETCH(QString, query);
    QFETCH(QStringList, found);
    QTemporaryDir dir;
    HistoryStore store(dir.path(), fixedClock());
    store.add(QStringLiteral("invoice from istanbul"), QStringLiteral("Screen"), QString(), 1.0f, QImage(),
              false, 30);
    store.add(QStringLiteral("straße"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false, 30);
    store.add(QStringLiteral("an invoice here"), QStringLiteral("Screen"), QString(), 1.0f, QImage(), false,
              30);
    store.update(store.entries().at(1).id, QStringLiteral("Renamed"), std::nullopt);
    const QHash<QString, QString> labels{{QStringLiteral("invoice from istanbul"), QStringLiteral("1")},
                                         {QStringLiteral("straße"), QStringLiteral("2")},
                                         {QStringLiteral("an invoice here"), QStringLiteral("3")}};
    QStringList ids;
    for (const HistoryEntry& entry : store.search(query, QLocale(locale)))
        ids.append(labels.value(entry.text));
    QCOMPARE(ids, found);
}

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_historystore.moc"
