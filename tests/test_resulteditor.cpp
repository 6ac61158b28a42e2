// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultEditor.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace vellumix;
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
        rows.append(i == needleLine ? needle : QStringLiteral("line %1").arg(i));
    return rows.join(QLatin1Char('\n'));
}

} // namespace

class TestResultEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matchPositions_data();
    void matchPositions();
    void highlightsFollowTheTerm();
    void highlightsAreDisplayOnly();
    void typingWritesBackWithoutMovingTheCaret();
    void scrollsOnlyWhenTheTermChanges();
};

void TestResultEditor::matchPositions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("term");
    QTest::addColumn<Positions>("positions");
    QTest::newRow("three occurrences")
        << QStringLiteral("foo bar foo baz foo") << QStringLiteral("foo") << Positions{0, 8, 16};
    QTest::newRow("case differs") << QStringLiteral("Foo FOO") << QStringLiteral("foo") << Positions{};
    QTest::newRow("overlap in a run of three")
        << QStringLiteral("aaa") << QStringLiteral("aa") << Positions{0};
    QTest::newRow("run of four gives two")
        << QStringLiteral("xaaaa") << QStringLiteral("aa") << Positions{1, 3};
    QTest::newRow("empty term") << QStringLiteral("abc") << QString() << Positions{};
    QTest::newRow("regex characters are literal")
        << QStringLiteral("a.b axb") << QStringLiteral("a.b") << Positions{0};
    QTest::newRow("beyond the basic plane")
        << QStringLiteral("😀x😀") << QStringLiteral("😀") << Positions{0, 3};
}

void TestResultEditor::matchPositions()
{
    QFETCH(QString, text);
    QFETCH(QString, term);
    QFETCH(Positions, positions);
    QCOMPARE(ResultEditor::matchPositions(text, term), positions);
}

void TestResultEditor::highlightsFollowTheTerm()
{
    ResultEditor editor;
    editor.setText(QStringLiteral("foo bar foo baz foo"));
    editor.setSearch(QStringLiteral("foo"));
    QCOMPARE(highlights(editor), (QList<QPair<int, int>>{{0, 3}, {8, 3}, {16, 3}}));
    const QColor background = editor.extraSelections().first().format.background().color();
    QCOMPARE(background.alpha(), qRound(0.35 * 255));
    QVERIFY(background.red() > 200 && background.green() > 150 && background.blue() < 80);

    editor.setSearch(QStringLiteral("ba"));
    QCOMPARE(highlights(editor), (QList<QPair<int, int>>{{4, 2}, {12, 2}}));

    // Typing under an unchanged term re-highlights the new text.
    editor.setText(QStringLiteral("ba ba ba"));
    QCOMPARE(highlights(editor).size(), 3);

    editor.setSearch(QString());
    QVERIFY(editor.extraSelections().isEmpty());
}

void TestResultEditor::highlightsAreDisplayOnly()
{
    ResultEditor editor;
    QSignalSpy edited(&editor, &ResultEditor::textEdited);
    editor.setText(QStringLiteral("needle in a haystack"));
    editor.setSearch(QStringLiteral("needle"));
    QCOMPARE(editor.toPlainText(), QStringLiteral("needle in a haystack"));
    QVERIFY(!editor.document()->firstBlock().charFormat().background().style());
    // Text set from outside (a new result) replaces the content without echoing back.
    editor.setText(QStringLiteral("second result"));
    QCOMPARE(editor.toPlainText(), QStringLiteral("second result"));
    QCOMPARE(edited.count(), 0);
}

void TestResultEditor::typingWritesBackWithoutMovingTheCaret()
{
    ResultEditor editor;
    QString model;
    connect(&editor, &ResultEditor::textEdited, &editor, [&](const QString& text) {
        model = text;
        editor.setText(model); // the binding echoes the model back
    });
    editor.setText(QStringLiteral("hello"));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(2);
    editor.setTextCursor(cursor);

    QTest::keyClicks(&editor, QStringLiteral("XY"));
    QCOMPARE(model, QStringLiteral("heXYllo"));
    QCOMPARE(editor.textCursor().position(), 4);
    QVERIFY(editor.document()->isUndoAvailable());
    editor.undo();
    QCOMPARE(model, QStringLiteral("hello"));
}

void TestResultEditor::scrollsOnlyWhenTheTermChanges()
{
    ResultEditor editor;
    editor.resize(320, 200);
    editor.setText(longText(300, 250, QStringLiteral("needle")));
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QScrollBar* bar = editor.verticalScrollBar();
    QCOMPARE(bar->value(), 0);

    editor.setSearch(QStringLiteral("needle"));
    QVERIFY(bar->value() > 200);

    // An edit under the same term keeps the user's scroll position.
    bar->setValue(0);
    editor.setText(longText(300, 250, QStringLiteral("needle")) + QStringLiteral("\nneedle"));
    editor.setSearch(QStringLiteral("needle"));
    QCOMPARE(bar->value(), 0);

    // A term with no match does not scroll; a new matching one does.
    editor.setSearch(QStringLiteral("absent"));
    QCOMPARE(bar->value(), 0);
    editor.setSearch(QStringLiteral("line 120"));
    QVERIFY(bar->value() > 60);
}

QTEST_MAIN(TestResultEditor)
#include "test_resulteditor.moc"
