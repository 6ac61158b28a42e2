// SPDX-License-Identifier: GPL-3.0-or-later
// From pixels to the clipboard and the stored history with the real engine, as a capture ends.
#include "capture/CaptureSource.h"
#include "core/TesseractEngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"

#include <QClipboard>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

class NoCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return QtFuture::makeReadyFuture(QList<QImage>()); }
    QFuture<QList<QImage>> regions() override { return region(); }
    QFuture<QList<QImage>> fullScreen() override { return region(); }
    void cancel() override {}
};

class CountingSound final : public SoundPlayer
{
public:
    void play(const QString&) override { ++played; }
    int played = 0;
};

QImage screenText(const QStringList& lines)
{
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(15);
    const QFontMetrics metrics(font);
    QImage image(560, 40 + metrics.height() * 2 * int(lines.size()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(0x1d, 0x1d, 0x1f));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(20, 20 + metrics.ascent() + metrics.height() * 2 * i, lines.at(i));
    return image;
}

} // namespace

class TestRecognitionJourney : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void imageToClipboardAndHistory()
    {
        QTemporaryDir folder;
        MemoryDefaults defaults;
        TesseractEngine engine;
        NoCapture capture;
        CountingSound sound;
        AppModel model(defaults, folder.path(), engine, capture, sound);
        QStringList toasts;
        model.toast = [&](const QString& text) { toasts.append(text); };
        QGuiApplication::clipboard()->setText(u"stale"_s);

        const QStringList lines{u"Invoice number 4711 is due on Friday"_s,
                                u"Please transfer the amount to our account"_s};
        model.processImages({screenText(lines)}, AppModel::sourceScreen);
        QVERIFY(model.busy());
        QVERIFY(QTest::qWaitFor([&] { return !model.busy(); }, 60000));

        QVERIFY2(!model.message(), qPrintable(model.message().value_or(QString())));
        const QString expected = lines.join(u'\n');
        QCOMPARE(model.text(), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(toasts, QStringList{AppModel::copiedToast});
        QCOMPARE(sound.played, model.preferences().sound() ? 1 : 0);

        // What reached the disk, read back as a later launch would.
        QFile stored(folder.filePath(HistoryStore::fileName));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QJsonArray entries = QJsonDocument::fromJson(stored.readAll()).array();
        QCOMPARE(entries.size(), 1);
        const QJsonObject entry = entries.first().toObject();
        QCOMPARE(entry.value(u"text"_s).toString(), expected);
        QCOMPARE(entry.value(u"source"_s).toString(), AppModel::sourceScreen);
        QVERIFY(entry.value(u"confidence"_s).toDouble() > 0.5);
        QCOMPARE(HistoryStore(folder.path()).entries().first().text, expected);
    }
};

QTEST_MAIN(TestRecognitionJourney)
#include "test_recognitionjourney.moc"
