// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultEditor.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace vellumix;
using namespace Qt::StringLiterals;
using Positions = QList<int>;

class TestResultEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matchPositions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("term");
        QTest::addColumn<Positions>("positions");
        QTest::newRow("no overlaps") << u"xaaaaa"_s << u"aa"_s << Positions{1, 3};
        QTest::newRow("empty term") << u"abc"_s << QString() << Positions{};
        QTest::newRow("literal and case-sensitive") << u"a.b axb A.B"_s << u"a.b"_s << Positions{0};
        QTest::newRow("beyond the basic plane") << u"😀x😀"_s << u"😀"_s << Positions{0, 3};
    }
    void matchPositions()
    {
        QFETCH(QString, text);
        QFETCH(QString, term);
        QFETCH(Positions, positions);
        QCOMPARE(ResultEditor::matchPositions(text, term), positions);
    }
    // The document keeps no-break spaces and line separators but turns paragraph separators
    // and line feeds alike into block separators; edits must not change the rest.
    void mergedKeepsWhatWasNotEdited_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("after");
        QTest::newRow("no-break space") << u"a\u00a0b"_s << u"a\u00a0bc"_s << u"a\u00a0bc"_s;
        QTest::newRow("line separator") << u"a\u2028b"_s << u"xa\u2028b"_s << u"xa\u2028b"_s;
        QTest::newRow("paragraph separator")
            << u"a\u2029b\nc"_s << u"a\u2029b\u2029c!"_s << u"a\u2029b\nc!"_s;
        QTest::newRow("typed line feed") << u"ab"_s << u"a\u2029b"_s << u"a\nb"_s;
        QTest::newRow("deleted line feed") << u"a\nb"_s << u"ab"_s << u"ab"_s;
        QTest::newRow("repeated letter") << u"aa"_s << u"aaa"_s << u"aaa"_s;
        QTest::newRow("replaced everything") << u"a\nb"_s << QString() << QString();
    }
    void mergedKeepsWhatWasNotEdited()
    {
        QFETCH(QString, before);
        QFETCH(QString, raw);
        QFETCH(QString, after);
        QCOMPARE(ResultEditor::merged(before, raw), after);
    }
    void typingKeepsSpecialCharacters()
    {
        ResultEditor editor;
        QSignalSpy edited(&editor, &ResultEditor::textEdited);
        const QString text = u"1\u00a0000\u2028next\u2029para"_s;
        editor.setText(text);
        editor.moveCursor(QTextCursor::End);
        QTest::keyClicks(&editor, u"!"_s);
        QCOMPARE(edited.last().first().toString(), text + u"!"_s);
        QCOMPARE(editor.text(), text + u"!"_s);
    }

    void highlightsFollowTheTerm()
    {
        ResultEditor editor;
        QSignalSpy edited(&editor, &ResultEditor::textEdited);
        editor.setText(u"foo bar foo baz"_s);
        editor.setSearch(u"ba"_s);
        const QList<QTextEdit::ExtraSelection> shown = editor.extraSelections();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).cursor.selectionStart(), 12);
        QCOMPARE(shown.at(1).cursor.selectionEnd(), 14);

        // New text under the same term is highlighted again and not echoed back; formats stay plain.
        editor.setText(u"ba ba ba"_s);
        QCOMPARE(editor.extraSelections().size(), 3);
        QCOMPARE(edited.count(), 0);
        QVERIFY(!editor.document()->firstBlock().charFormat().background().style());
        editor.setSearch(QString());
        QVERIFY(editor.extraSelections().isEmpty());
    }
    void typingAndScrollingKeepTheUsersPlace()
    {
        ResultEditor editor;
        QString model;
        connect(&editor, &ResultEditor::textEdited, &editor, [&](const QString& text) {
            model = text;
            editor.setText(model); // the binding echoes the model back
        });
        editor.resize(320, 200);
        editor.setText(u"hello\n"_s + u"line\n"_s.repeated(250) + u"needle"_s);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(2);
        editor.setTextCursor(cursor);
        QTest::keyClicks(&editor, u"XY"_s);
        QVERIFY(model.startsWith(u"heXYllo\n"_s));
        QCOMPARE(editor.textCursor().position(), 4);
        editor.undo();
        QVERIFY(model.startsWith(u"hello\n"_s));

        QScrollBar* bar = editor.verticalScrollBar();
        editor.setSearch(u"needle"_s);
        QVERIFY(bar->value() > 200);
        // An edit under the same term keeps the user's scroll position.
        bar->setValue(0);
        editor.setText(model + u"\nneedle"_s);
        editor.setSearch(u"needle"_s);
        QCOMPARE(bar->value(), 0);
    }
};

QTEST_MAIN(TestResultEditor)
#include "test_resulteditor.moc"
