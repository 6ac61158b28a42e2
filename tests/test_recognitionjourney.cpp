// SPDX-License-Identifier: GPL-3.0-or-later
// From pixels to the clipboard and the stored history with the real engine, as a capture ends.
#include "ModelFixture.h"
#include "core/TesseractEngine.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

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
        FakeCapture capture;
        FakeSound sound;
        AppModel model(defaults, folder.path(), engine, capture, sound);
        QStringList toasts;
        QObject::connect(&model, &AppModel::toast, [&](const QString& text) { toasts.append(text); });
        QGuiApplication::clipboard()->setText(u"stale"_s);

        const QStringList lines{u"Invoice number 4711 is due on Friday"_s,
                                u"Please transfer the amount to our account"_s};
        model.processImages({screenText(lines)}, Source::Screen);
        QVERIFY(model.busy());
        QVERIFY(QTest::qWaitFor([&] { return !model.busy(); }, 60000));

        QVERIFY2(!model.message(), qPrintable(model.message().value_or(QString())));
        const QString expected = lines.join(u'\n');
        QCOMPARE(model.text(), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QCOMPARE(toasts, QStringList{AppModel::copiedToast});

        // What reached history.json, read back as a later launch would.
        const QList<HistoryEntry> entries = HistoryStore(folder.path()).entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().text, expected);
        QVERIFY(entries.first().confidence > 0.5f);
    }
};

QTEST_MAIN(TestRecognitionJourney)
#include "test_recognitionjourney.moc"
