// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace window on a private X server, driven as a user would: rows, menus, dialogs,
// drops, the file dialog.
#include "ModelFixture.h"
#include "PdfTestFiles.h"
#include "WidgetFinders.h"
#include "core/Errors.h"
#include "model/HistoryStore.h"
#include "ui/FileDialogs.h"
#include "ui/PDFPreview.h"
#include "ui/ResultEditor.h"
#include "ui/WorkspaceDetail.h"
#include "ui/WorkspaceView.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPdfDocument>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

struct Workspace : ModelFixture
{
    Workspace() : view(model, model.history())
    {
        installFileDialogs(model, [this] { return &view; });
        view.resize(1100, 700);
        view.show();
    }
    WorkspaceDetail& detail() { return *view.detail(); }
    int rows() { return view.list()->model()->rowCount(); }
    QString rowTitle(int row) { return view.list()->model()->index(row, 0).data().toString(); }
    QUuid add(const QString& text) // newest first, like a recognition
    {
        model.history().add(text, AppModel::sourceScreen, u"Automatic"_s, 0.9f, QImage(), false, 30);
        return history().first().id;
    }
    void triggerRowItem(const QUuid& id, const QString& item)
    {
        QMenu* menu = view.rowMenu(id);
        for (QAction* action : menu->actions()) {
            if (action->text() == item) {
                action->trigger();
                break;
            }
        }
        menu->close();
    }
    // Shortcuts need the window active; a busy window manager may let a request pass unheard.
    bool exposed()
    {
        if (!QTest::qWaitForWindowExposed(&view))
            return false;
        for (int attempt = 0; attempt < 3 && !view.isActiveWindow(); ++attempt) {
            view.raise();
            view.activateWindow();
            static_cast<void>(QTest::qWaitForWindowActive(&view, 3000));
        }
        return view.isActiveWindow();
    }

    WorkspaceView view;
};

// Receives what "Open URL" hands to the desktop instead of starting a browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }

public:
    QList<QUrl> opened;
};

} // namespace

class TestWorkspace : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    void startsEmpty()
    {
        Workspace w;
        QVERIFY(w.exposed());
        QVERIFY(!w.detail().exportButton()->isEnabled());
        QVERIFY(!w.detail().copyButton()->isEnabled());
        QVERIFY(!w.detail().retryButton()->isEnabled());
        QTest::keyClick(&w.view, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(!w.view.isVisible());
    }

    void captureEndsWithItsRowSelected()
    {
        Workspace w;
        w.add(u"older entry"_s);
        QVERIFY(w.exposed());
        for (int key : {3, 4}) {
            QVERIFY(w.model.capture(CaptureKind::Region));
            w.capture.deliver({keyed(key)});
            QVERIFY(w.idle());
            QCOMPARE(w.rowTitle(0), u"text %1"_s.arg(key));
            const QModelIndexList selected = w.view.list()->selectionModel()->selectedIndexes();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first().row(), 0);
            QCOMPARE(w.model.selectedHistory(), std::optional(w.history().first().id));
        }
        QCOMPARE(w.view.count()->text(), u"3"_s);
        QCOMPARE(w.detail().subtitle()->text(), u"Screen · 6 characters"_s);

        // Choosing another row shows that entry; choosing the current one again keeps the edits.
        QTest::mouseClick(w.view.list()->viewport(), Qt::LeftButton, {},
                          w.view.list()->visualRect(w.view.list()->model()->index(2, 0)).center());
        QCOMPARE(w.model.text(), u"older entry"_s);
        QCOMPARE(w.detail().editor()->text(), u"older entry"_s);
        QVERIFY(!w.detail().imageView()->isVisible());
        w.detail().editor()->setFocus();
        QTest::keyClick(w.detail().editor(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(w.detail().editor(), u", edited"_s);
        QCOMPARE(w.model.text(), u"older entry, edited"_s);
        w.detail().saveEditsButton()->click();
        QCOMPARE(w.history().last().text, u"older entry, edited"_s);
    }

    void searchFiltersLive_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("any case") << u"INVOICE"_s << QStringList{u"invoice draft"_s, u"Invoice 2024"_s};
        QTest::newRow("inside the text") << u"milk"_s << QStringList{u"Grocery list"_s};
        QTest::newRow("nothing") << u"zebra"_s << QStringList{};
    }
    void searchFiltersLive()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, shown);
        Workspace w;
        w.add(u"Invoice 2024"_s);
        const QUuid grocery = w.add(u"Grocery list"_s);
        w.model.history().update(grocery, std::nullopt, u"Grocery list\nmilk, eggs"_s);
        w.add(u"invoice draft"_s);
        QVERIFY(w.exposed());
        w.view.searchField()->setFocus();
        QTest::keyClicks(w.view.searchField(), query);
        QStringList titles;
        for (int row = 0; row < w.rows(); ++row)
            titles.append(w.rowTitle(row));
        QCOMPARE(titles, shown);
        QCOMPARE(w.view.count()->text(), QString::number(shown.size()));

        w.view.searchField()->clear();
        QCOMPARE(w.rows(), 3);
        QCOMPARE(w.view.count()->text(), u"3"_s);
    }

    void renameDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("save") << u"Receipt"_s << u"Save"_s << u"Receipt"_s;
        QTest::newRow("empty name") << QString() << u"Save"_s << QString();
        QTest::newRow("cancel") << u"Receipt"_s << u"Cancel"_s << u"first words"_s;
    }
    void renameDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, title);
        Workspace w;
        const QUuid id = w.add(u"first words"_s);
        QVERIFY(w.exposed());
        w.triggerRowItem(id, u"Rename…"_s);
        QDialog* dialog = w.view.renameDialog();
        QVERIFY(dialog && QTest::qWaitForWindowExposed(dialog));
        auto* name = dialog->findChild<QLineEdit*>();
        QCOMPARE(name->text(), u"first words"_s);
        name->clear();
        QTest::keyClicks(name, typed);
        buttonTitled(dialog, button)->click();
        QTRY_VERIFY(!w.view.renameDialog());
        QCOMPARE(w.history().first().title, title);
        QCOMPARE(w.rowTitle(0), title);
    }

    void deleteAsksFirstFromTheKeyboard()
    {
        Workspace w;
        const QUuid first = w.add(u"first"_s);
        w.add(u"second"_s);
        QVERIFY(w.exposed());
        w.triggerRowItem(first, u"Delete"_s); // the row menu deletes at once
        QCOMPARE(w.rows(), 1);

        w.view.list()->setCurrentIndex(w.view.list()->model()->index(0, 0));
        w.view.list()->setFocus();
        QTest::keyClick(w.view.list(), Qt::Key_Delete);
        QMessageBox* box = w.view.confirmation();
        QVERIFY(box && box->isVisible());
        buttonTitled(box, u"Cancel"_s)->click();
        QCOMPARE(w.rows(), 1);
        QTest::keyClick(w.view.list(), Qt::Key_Delete);
        buttonTitled(w.view.confirmation(), u"Delete"_s)->click();
        QCOMPARE(w.rows(), 0);
        QVERIFY(w.history().isEmpty());
    }

    void clearAllAfterConfirmation()
    {
        Workspace w;
        w.add(u"one"_s);
        w.add(u"two"_s);
        QVERIFY(w.exposed());
        w.view.clearButton()->click();
        QMessageBox* box = w.view.confirmation();
        QVERIFY(box && box->isVisible());
        buttonTitled(box, u"Cancel"_s)->click();
        QCOMPARE(w.history().size(), 2);
        w.view.clearButton()->click();
        buttonTitled(w.view.confirmation(), u"Delete All"_s)->click();
        QVERIFY(w.history().isEmpty());
        QCOMPARE(w.view.count()->text(), u"0"_s);
    }

    void codesOfAQrOnlyCapture_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("web");
        QTest::newRow("https in capitals") << u"HTTPS://EXAMPLE.COM/MENU"_s << true;
        QTest::newRow("bare host") << u"example.com"_s << false;
        QTest::newRow("other scheme") << u"mailto:someone@example.com"_s << false;
    }
    void codesOfAQrOnlyCapture()
    {
        QFETCH(QString, value);
        QFETCH(bool, web);
        Workspace w;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(u"http"_s, &catcher, "open");
        QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
        w.engine.results.insert(7, recognition(QString(), 0.0f, {value}));
        QVERIFY(w.exposed());
        QVERIFY(w.model.capture(CaptureKind::Region));
        w.capture.deliver({keyed(7)});
        QVERIFY(w.idle());
        QPushButton* copy = buttonTitled(w.detail().codes(), u"Copy"_s);
        QVERIFY(copy);
        copy->click();
        QCOMPARE(ModelFixture::clipboard(), value);
        QPushButton* open = buttonTitled(w.detail().codes(), u"Open URL"_s);
        QCOMPARE(open != nullptr, web);
        if (open) {
            open->click();
            QCOMPARE(catcher.opened.size(), 1);
            QCOMPARE(catcher.opened.first().toString().toLower(), value.toLower());
        }
        QDesktopServices::unsetUrlHandler(u"http"_s);
        QDesktopServices::unsetUrlHandler(u"https"_s);
    }

    void exportThroughTheFileDialog_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain text") << int(ExportFormat::PlainText) << u"out.txt"_s;
        QTest::newRow("searchable pdf") << int(ExportFormat::PDF) << u"out.pdf"_s;
    }
    void exportThroughTheFileDialog()
    {
        QFETCH(int, format);
        QFETCH(QString, name);
        Workspace w;
        QVERIFY(w.exposed());
        QVERIFY(w.run({9}));
        QAction* item = w.detail().exportAction(format);
        QVERIFY(item->isEnabled());
        item->trigger();
        QFileDialog* dialog = openedWindow<QFileDialog>();
        QVERIFY(dialog);
        const QString path = w.folder.filePath(name);
        auto* fileName = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        fileName->setText(path);
        QTest::keyClick(fileName, Qt::Key_Return);
        QVERIFY(w.idle());
        QVERIFY(!w.model.message());
        const QByteArray written = pdftest::readFile(path);
        if (ExportFormat(format) == ExportFormat::PDF) {
            QPdfDocument document;
            QCOMPARE(document.load(path), QPdfDocument::Error::None);
            QCOMPARE(document.pageCount(), 1);
        } else {
            QCOMPARE(QString::fromUtf8(written), u"text 9"_s);
        }
    }

    void droppedFiles_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<bool>("onEditor");
        QTest::addColumn<bool>("opened");
        QTest::newRow("a pdf") << u"three.pdf"_s << false << true;
        QTest::newRow("a pdf on the editor") << u"three.pdf"_s << true << true;
        QTest::newRow("a web address") << u"https://example.com/three.pdf"_s << false << false;
    }
    void droppedFiles()
    {
        QFETCH(QString, first);
        QFETCH(bool, onEditor);
        QFETCH(bool, opened);
        Workspace w;
        QVERIFY(w.exposed());
        const QString pdf = w.folder.filePath(u"three.pdf"_s);
        pdftest::writePdf(pdf, {QSizeF(200, 100), QSizeF(200, 100), QSizeF(200, 100)});
        // An earlier failure stays until a new document replaces it.
        w.model.load(QUrl::fromLocalFile(w.folder.filePath(u"missing.png"_s)));
        QVERIFY(w.detail().banner()->isVisible());

        QMimeData data;
        const QUrl url = first.contains(u':') ? QUrl(first) : QUrl::fromLocalFile(w.folder.filePath(first));
        data.setUrls({url, QUrl::fromLocalFile(w.folder.filePath(u"missing.png"_s))});
        // The editor takes drops of its own: a file dropped on it must still reach the window.
        w.model.setText(u"earlier text"_s);
        QWidget* target = onEditor ? w.detail().editor()->viewport() : &w.view;
        const QPointF at = QPointF(target->rect().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QCOMPARE(enter.isAccepted(), opened);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        QTest::qWait(20);

        QCOMPARE(w.model.pdfURL().isEmpty(), !opened);
        QCOMPARE(w.detail().preview()->isVisible(), opened);
        QCOMPARE(w.detail().banner()->isVisible(), !opened);
        if (!opened)
            return;
        QCOMPARE(w.detail().preview()->document()->pageCount(), 3);
        QCOMPARE(w.detail().pageCount()->text(), u"of 3"_s);
        QCOMPARE(w.detail().lastPage()->value(), 3);
        // A loaded PDF with no page recognised yet has nothing to export as searchable.
        QVERIFY(!w.detail().exportAction(int(ExportFormat::PDF))->isEnabled());

        // Out-of-range input stays as typed; the model names the fault.
        w.detail().lastPage()->selectAll();
        QTest::keyClicks(w.detail().lastPage(), u"99"_s);
        QCOMPARE(w.detail().lastPage()->text(), u"99"_s);
        QCOMPARE(w.model.pageEnd(), 99);
        w.detail().recognizeButton()->click();
        QCOMPARE(w.detail().bannerText()->text(), VellumixError(VellumixError::Kind::InvalidPages).message());
        w.detail().lastPage()->selectAll();
        QTest::keyClicks(w.detail().lastPage(), u"2"_s);
        w.detail().recognizeButton()->click();
        QVERIFY(w.idle());
        QCOMPARE(w.engine.calls.load(), 2);
        QVERIFY(w.detail().exportAction(int(ExportFormat::PDF))->isEnabled());
    }

    void bannerIsDismissedByItsButton()
    {
        Workspace w;
        QVERIFY(w.exposed());
        QGuiApplication::clipboard()->setText(u"no image here"_s);
        w.model.pasteImage();
        QVERIFY(w.detail().banner()->isVisible());
        w.detail().dismissButton()->click();
        QVERIFY(w.detail().banner()->isHidden());
        QVERIFY(!w.model.message());
    }

    void busyRowCancelsAnyFlow()
    {
        Workspace w;
        QVERIFY(w.exposed());
        w.engine.holdKey = 5;
        QVERIFY(w.model.capture(CaptureKind::Region));
        w.capture.deliver({keyed(5)});
        QTRY_VERIFY(w.detail().busyRow()->isVisible());
        QCOMPARE(w.detail().progress()->value(), 0);
        QVERIFY(!w.detail().retryButton()->isEnabled());
        w.detail().cancelButton()->click();
        QVERIFY(w.idle());
        QVERIFY(w.detail().busyRow()->isHidden());
        QVERIFY(w.history().isEmpty());
    }

    void findCountsExactMatches()
    {
        Workspace w;
        QVERIFY(w.exposed());
        w.model.setText(u"ab aab ab aBa"_s);
        QTest::keyClick(&w.view, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w.detail().findField()->hasFocus());
        QTest::keyClicks(w.detail().findField(), u"ab"_s);
        QCOMPARE(w.detail().matches()->text(), u"3 exact matches"_s);
        w.detail().findField()->clear();
        QVERIFY(w.detail().matches()->isHidden());
    }

    void reshapingAndPasting()
    {
        Workspace w;
        w.preferences().setHistoryEnabled(false);
        QVERIFY(w.exposed());
        w.engine.results.insert(4, recognition(u"one\ntwo"_s));
        QVERIFY(w.run({4}));
        QVERIFY(w.detail().saveEditsButton()->isHidden()); // not tied to an entry
        w.model.setText(u"changed"_s);
        w.detail().preserveButton()->click();
        QCOMPARE(w.model.text(), u"one\ntwo"_s);
        QCOMPARE(w.detail().status()->text(), u"90% confidence · 0.00s · Automatic language"_s);

        // Ctrl+V with an image on the clipboard recognises it, even with the editor focused.
        QGuiApplication::clipboard()->setImage(keyed(6));
        w.detail().editor()->setFocus();
        QTest::keyClick(w.detail().editor(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(w.idle());
        QCOMPARE(w.model.text(), u"text 6"_s);
        QCOMPARE(w.model.source(), AppModel::sourceClipboardImage);
    }
};

QTEST_MAIN(TestWorkspace)
#include "test_workspace.moc"
