// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "ui/Appearance.h"
#include "ui/PDFPreview.h"
#include "ui/ThemedView.h"

#include <QApplication>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

QString writePdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(QPointF(200, 400), u"Page %1"_s.arg(page + 1));
    }
    return path;
}

} // namespace

class TestViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accentTintsContentAtOnce()
    {
        MemoryDefaults store;
        Preferences preferences(store);
        auto* label = new QLabel(u"content"_s);
        ThemedView view(preferences, label);
        QCOMPARE(view.content(), label);
        QCOMPARE(label->palette().color(QPalette::Highlight), preferences.accentColor());

        preferences.setAccent(u"Blue"_s);
        QCOMPARE(label->palette().color(QPalette::Active, QPalette::Highlight), preferences.accentColor());
        QCOMPARE(label->palette().color(QPalette::Inactive, QPalette::Highlight), preferences.accentColor());
    }
    void savingPreferencesAppliesTheAppearance()
    {
        const QString systemStyle = QApplication::style()->name();
        const QColor systemWindow = QApplication::palette().color(QPalette::Window);
        Appearance appearance;
        MemoryDefaults store;
        Preferences preferences(store);
        ThemedView view(preferences, new QLabel);
        QList<bool> taskbar;
        preferences.setApplier(appearance.applier([&taskbar](bool showDock) { taskbar.append(showDock); }));

        preferences.setAppearance(u"Dark"_s);
        QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_s);
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 100);
        QVERIFY(!taskbar.isEmpty());
        QCOMPARE(taskbar.last(), preferences.showDock());
        // Themed content takes the new application palette and keeps its tint.
        QTRY_VERIFY(view.content()->palette().color(QPalette::Window).lightness() < 100);
        QCOMPARE(view.content()->palette().color(QPalette::Highlight), preferences.accentColor());

        preferences.setAppearance(u"Light"_s);
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 200);
        preferences.setAppearance(u"System"_s);
        QCOMPARE(QApplication::style()->name(), systemStyle);
        QCOMPARE(QApplication::palette().color(QPalette::Window), systemWindow);
    }
    void previewReloadsOnlyForANewLocation()
    {
        QTemporaryDir dir;
        const QString three = writePdf(dir.filePath(u"three.pdf"_s), 3);
        const QString one = writePdf(dir.filePath(u"one.pdf"_s), 1);

        PDFPreview preview;
        preview.resize(400, 300);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.pageMode(), QPdfView::PageMode::MultiPage);
        QCOMPARE(preview.zoomMode(), QPdfView::ZoomMode::FitToWidth);

        preview.setLocation(three);
        QCOMPARE(preview.document()->status(), QPdfDocument::Status::Ready);
        QCOMPARE(preview.document()->pageCount(), 3);
        QTRY_VERIFY(preview.verticalScrollBar()->maximum() > 0);
        preview.verticalScrollBar()->setValue(preview.verticalScrollBar()->maximum() / 2);
        const int position = preview.verticalScrollBar()->value();

        QSignalSpy status(preview.document(), &QPdfDocument::statusChanged);
        preview.setLocation(three);
        QCOMPARE(status.count(), 0);
        QCOMPARE(preview.verticalScrollBar()->value(), position);

        preview.setLocation(one);
        QCOMPARE(preview.location(), QFileInfo(one).absoluteFilePath());
        QCOMPARE(preview.document()->pageCount(), 1);
    }
    void unreadablePdfLeavesThePreviewEmpty()
    {
        QTemporaryDir dir;
        const QString garbage = dir.filePath(u"broken.pdf"_s);
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a pdf at all");
        file.close();

        PDFPreview preview;
        preview.setLocation(writePdf(dir.filePath(u"good.pdf"_s), 2));
        QCOMPARE(preview.document()->pageCount(), 2);
        preview.setLocation(garbage);
        QCOMPARE(preview.document()->pageCount(), 0);
        preview.setLocation(dir.filePath(u"missing.pdf"_s));
        QCOMPARE(preview.document()->pageCount(), 0);
    }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"
