// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"
#include "PdfTestFiles.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "ui/Appearance.h"
#include "ui/PDFPreview.h"
#include "ui/ThemedView.h"
#include "ui/WorkspaceDetail.h"

#include <QApplication>
#include <QLabel>
#include <QPdfDocument>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pageRowRecognisesTheChosenPages()
    {
        testing::ModelFixture f;
        WorkspaceDetail pane(f.model, f.model.history());
        pane.show();
        QVERIFY(!pane.pageRow()->isVisible());
        const QString pdf = f.folder.filePath(u"three.pdf"_s);
        pdftest::writePdf(pdf, {QSizeF(200, 100), QSizeF(200, 100), QSizeF(200, 100)});
        f.model.load(QUrl::fromLocalFile(pdf));
        QVERIFY(f.idle());

        pane.firstPage()->setValue(2);
        QCOMPARE(f.model.pageStart(), 2);
        pane.recognizeButton()->click();
        QVERIFY(!pane.recognizeButton()->isEnabled());
        QVERIFY(f.idle());
        QCOMPARE(f.engine.calls.load(), 2); // pages 2 and 3 only
        QVERIFY(pane.recognizeButton()->isEnabled());
    }
    void headerCountsUserPerceivedCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("combining accent") << u"e\u0301te\u0301"_s << 3;
        QTest::newRow("emoji outside the basic plane") << u"😀!"_s << 2;
        QTest::newRow("flag of two regional indicators") << u"🇩🇪"_s << 1;
        QTest::newRow("line feeds count") << u"a\nb"_s << 3;
        QTest::newRow("empty") << QString() << 0;
    }
    void headerCountsUserPerceivedCharacters()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(WorkspaceDetail::characterCount(text), count);
    }
    void statusLine_data()
    {
        QTest::addColumn<float>("confidence");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("languages");
        QTest::addColumn<QString>("shown");
        QTest::newRow("truncated") << 0.876f << 1.234 << u"eng+deu"_s
                                   << u"87% confidence · 1.23s · eng+deu"_s;
        QTest::newRow("automatic") << 1.0f << 0.005 << QString()
                                   << u"100% confidence · 0.01s · Automatic language"_s;
    }
    void statusLine()
    {
        QFETCH(float, confidence);
        QFETCH(double, seconds);
        QFETCH(QString, languages);
        QFETCH(QString, shown);
        QCOMPARE(WorkspaceDetail::statusText(confidence, seconds, languages), shown);
    }
    void themedContentFollowsAccentAndAppearance()
    {
        const QString systemStyle = QApplication::style()->name();
        Appearance appearance;
        MemoryDefaults store;
        Preferences preferences(store);
        QObject::connect(&preferences, &Preferences::saved,
                         [&] { appearance.apply(preferences.appearance()); });
        auto* label = new QLabel(u"content"_s);
        ThemedView view(preferences, label);
        preferences.setAccent(u"Blue"_s);
        QCOMPARE(label->palette().color(QPalette::Inactive, QPalette::Highlight), preferences.accentColor());

        preferences.setAppearance(u"Dark"_s);
        QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_s);
        QTRY_VERIFY(label->palette().color(QPalette::Window).lightness() < 100);
        QCOMPARE(label->palette().color(QPalette::Highlight), preferences.accentColor());
        // A stored name we do not know is light; the system's text is black, the light look's is not.
        preferences.setAppearance(u"Sepia"_s);
        QCOMPARE(QApplication::palette().color(QPalette::Text),
                 Appearance::lightPalette().color(QPalette::Text));
        preferences.setAppearance(u"System"_s);
        QCOMPARE(QApplication::style()->name(), systemStyle);
        QTRY_VERIFY(label->palette().color(QPalette::Window).lightness() > 200);
    }
    void previewReloadsOnlyForANewLocation()
    {
        QTemporaryDir dir;
        const auto pdf = [&dir](const QString& name, int pages) {
            pdftest::writePdf(dir.filePath(name), QList<QSizeF>(pages, QSizeF(100, 100)));
            return dir.filePath(name);
        };
        const QString three = pdf(u"three.pdf"_s, 3);
        PDFPreview preview;
        preview.setLocation(three);
        QCOMPARE(preview.document()->pageCount(), 3);
        // The same file again is no reload: the reader keeps their place.
        QSignalSpy status(preview.document(), &QPdfDocument::statusChanged);
        preview.setLocation(three);
        QCOMPARE(status.count(), 0);

        preview.setLocation(pdf(u"one.pdf"_s, 1));
        QCOMPARE(preview.document()->pageCount(), 1);
        preview.setLocation(dir.filePath(u"missing.pdf"_s)); // leaves the preview empty
        QCOMPARE(preview.document()->pageCount(), 0);
    }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"
