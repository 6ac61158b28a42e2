// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultEditor.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace vellumix;
using namespace Qt::StringLiterals;
using Positions = QList<int>;

namespace {

// Start and length of each highlight the editor shows.
QList<QPair<int, int>> highlights(const ResultEditor& editor)
{
    QList<QPair<int, int>> ranges;
    for (const QTextEdit::ExtraSelection& selection : editor.extraSelections())
        ranges.append({selection.cursor.selectionStart(),
                       selection.cursor.selectionEnd() - selection.cursor.selectionStart()});
    return ranges;
}

QString longText(int lines, int needleLine, const QString& needle)
{
    QStringList rows;
    for (int i = 0; i < lines; ++i)
        rows.append(i == needleLine ? needle : u"line %1"_s.arg(i));
    return rows.join(u'\n');
}

} // namespace

class TestResultEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matchPositions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::addColumn<Positions>("positions");
        QTest::newRow("three occurrences") << u"foo bar foo baz foo"_s << u"foo"_s << Positions{0, 8, 16};
        QTest::newRow("case differs") << u"Foo FOO"_s << u"foo"_s << Positions{};
        QTest::newRow("overlap in a run of three") << u"aaa"_s << u"aa"_s << Positions{0};
        QTest::newRow("run of four gives two") << u"xaaaa"_s << u"aa"_s << Positions{1, 3};
        QTest::newRow("empty term") << u"abc"_s << QString() << Positions{};
        QTest::newRow("regex characters are literal") << u"a.b axb"_s << u"a.b"_s << Positions{0};
        QTest::newRow("beyond the basic plane") << u"😀x😀"_s << u"😀"_s << Positions{0, 3};
    }
    void matchPositions()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QFETCH(Positions, positions);
        QCOMPARE(ResultEditor::matchPositions(text, term), positions);
    }
    void highlightsFollowTheTerm()
    {
        ResultEditor editor;
        QSignalSpy edited(&editor, &ResultEditor::textEdited);
        editor.setText(u"foo bar foo baz foo"_s);
        editor.setSearch(u"foo"_s);
        QCOMPARE(highlights(editor), (QList<QPair<int, int>>{{0, 3}, {8, 3}, {16, 3}}));
        const QColor background = editor.extraSelections().first().format.background().color();
        QCOMPARE(background.alpha(), qRound(0.35 * 255));
        QVERIFY(background.red() > 200 && background.green() > 150 && background.blue() < 80);

        editor.setSearch(u"ba"_s);
        QCOMPARE(highlights(editor), (QList<QPair<int, int>>{{4, 2}, {12, 2}}));

        // Typing under an unchanged term re-highlights the new text.
        editor.setText(u"ba ba ba"_s);
        QCOMPARE(highlights(editor).size(), 3);
        QCOMPARE(edited.count(), 0); // text set from outside is not echoed back

        // Highlights are display only: the text and its formats stay as they were.
        QCOMPARE(editor.toPlainText(), u"ba ba ba"_s);
        QVERIFY(!editor.document()->firstBlock().charFormat().background().style());
        editor.setSearch(QString());
        QVERIFY(editor.extraSelections().isEmpty());
    }
    void typingWritesBackWithoutMovingTheCaret()
    {
        ResultEditor editor;
        QString model;
        connect(&editor, &ResultEditor::textEdited, &editor, [&](const QString& text) {
            model = text;
            editor.setText(model); // the binding echoes the model back
        });
        editor.setText(u"hello"_s);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(2);
        editor.setTextCursor(cursor);

        QTest::keyClicks(&editor, u"XY"_s);
        QCOMPARE(model, u"heXYllo"_s);
        QCOMPARE(editor.textCursor().position(), 4);
        QVERIFY(editor.document()->isUndoAvailable());
        editor.undo();
        QCOMPARE(model, u"hello"_s);
    }
    void scrollsOnlyWhenTheTermChanges()
    {
        ResultEditor editor;
        editor.resize(320, 200);
        editor.setText(longText(300, 250, u"needle"_s));
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QScrollBar* bar = editor.verticalScrollBar();
        QCOMPARE(bar->value(), 0);

        editor.setSearch(u"needle"_s);
        QVERIFY(bar->value() > 200);

        // An edit under the same term keeps the user's scroll position.
        bar->setValue(0);
        editor.setText(longText(300, 250, u"needle"_s) + u"\nneedle"_s);
        editor.setSearch(u"needle"_s);
        QCOMPARE(bar->value(), 0);

        // A term with no match does not scroll; a new matching one does.
        editor.setSearch(u"absent"_s);
        QCOMPARE(bar->value(), 0);
        editor.setSearch(u"line 120"_s);
        QVERIFY(bar->value() > 60);
    }
};

QTEST_MAIN(TestResultEditor)
#include "test_resulteditor.moc"
