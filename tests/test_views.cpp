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

namespace {

QString writePdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(QPointF(200, 400), QStringLiteral("Page %1").arg(page + 1));
    }
    return path;
}

} // namespace

class TestViews : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accentTintsContentAtOnce_data();
    void accentTintsContentAtOnce();
    void savingPreferencesAppliesTheAppearance();
    void previewReloadsOnlyForANewLocation();
    void unreadablePdfLeavesThePreviewEmpty();
};

void TestViews::accentTintsContentAtOnce_data()
{
    QTest::addColumn<QString>("accent");
    QTest::newRow("blue") << QStringLiteral("Blue");
    QTest::newRow("unknown falls back to mint") << QStringLiteral("Teal");
}

void TestViews::accentTintsContentAtOnce()
{
    QFETCH(QString, accent);
    MemoryDefaults store;
    Preferences preferences(store);
    auto* label = new QLabel(QStringLiteral("content"));
    ThemedView view(preferences, label);
    QCOMPARE(view.content(), label);
    QCOMPARE(label->palette().color(QPalette::Highlight), preferences.accentColor());

    preferences.setAccent(accent);
    QCOMPARE(label->palette().color(QPalette::Active, QPalette::Highlight), preferences.accentColor());
    QCOMPARE(label->palette().color(QPalette::Inactive, QPalette::Highlight), preferences.accentColor());
}

void TestViews::savingPreferencesAppliesTheAppearance()
{
    const QString systemStyle = QApplication::style()->name();
    const QColor systemWindow = QApplication::palette().color(QPalette::Window);
    Appearance appearance;
    MemoryDefaults store;
    Preferences preferences(store);
    ThemedView view(preferences, new QLabel);
    QList<bool> taskbar;
    preferences.setApplier(appearance.applier([&taskbar](bool showDock) { taskbar.append(showDock); }));

    preferences.setAppearance(QStringLiteral("Dark"));
    QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 100);
    QVERIFY(!taskbar.isEmpty());
    QCOMPARE(taskbar.last(), preferences.showDock());
    // Themed content takes the new application palette and keeps its tint.
    QTRY_VERIFY(view.content()->palette().color(QPalette::Window).lightness() < 100);
    QCOMPARE(view.content()->palette().color(QPalette::Highlight), preferences.accentColor());

    preferences.setAppearance(QStringLiteral("Light"));
    QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 200);
    preferences.setAppearance(QStringLiteral("System"));
    QCOMPARE(QApplication::style()->name(), systemStyle);
    QCOMPARE(QApplication::palette().color(QPalette::Window), systemWindow);
}

void TestViews::previewReloadsOnlyForANewLocation()
{
    QTemporaryDir dir;
    const QString three = writePdf(dir.filePath(QStringLiteral("three.pdf")), 3);
    const QString one = writePdf(dir.filePath(QStringLiteral("one.pdf")), 1);

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

void TestViews::unreadablePdfLeavesThePreviewEmpty()
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("broken.pdf"));
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a pdf at all");
    file.close();

    PDFPreview preview;
    preview.setLocation(writePdf(dir.filePath(QStringLiteral("good.pdf")), 2));
    QCOMPARE(preview.document()->pageCount(), 2);
    preview.setLocation(garbage);
    QCOMPARE(preview.document()->pageCount(), 0);
    preview.setLocation(dir.filePath(QStringLiteral("missing.pdf")));
    QCOMPARE(preview.document()->pageCount(), 0);
}

QTEST_MAIN(TestViews)
#include "test_views.moc"
