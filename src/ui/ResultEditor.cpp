// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ResultEditor.h"

#include <QFontDatabase>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

namespace vellumix {

ResultEditor::ResultEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(14);
    font.setWeight(QFont::Normal);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(true);
    document()->setDocumentMargin(16);

    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_replacing) {
            m_text = merged(m_text, document()->toRawText());
            Q_EMIT textEdited(m_text);
        }
        refreshHighlights();
    });
}

void ResultEditor::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    m_replacing = true;
    setPlainText(text);
    m_replacing = false;
}

void ResultEditor::setSearch(const QString& term)
{
    m_search = term;
    refreshHighlights();
}

QList<int> ResultEditor::matchPositions(const QString& text, const QString& term)
{
    QList<int> positions;
    if (term.isEmpty())
        return positions;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype found = text.indexOf(term, from, Qt::CaseSensitive);
        if (found < 0)
            break;
        positions.append(int(found));
        from = found + term.size();
    }
    return positions;
}

QString ResultEditor::merged(const QString& before, const QString& raw)
{
    const auto same = [](QChar kept, QChar shown) {
        return kept == shown || (shown == QChar::ParagraphSeparator && (kept == u'\n' || kept == u'\r'));
    };
    const qsizetype shortest = qMin(before.size(), raw.size());
    qsizetype head = 0;
    while (head < shortest && same(before.at(head), raw.at(head)))
        ++head;
    qsizetype tail = 0;
    while (tail < shortest - head && same(before.at(before.size() - 1 - tail), raw.at(raw.size() - 1 - tail)))
        ++tail;
    QString middle = raw.mid(head, raw.size() - head - tail);
    middle.replace(QChar::ParagraphSeparator, u'\n');
    return before.left(head) + middle + before.right(tail);
}

void ResultEditor::insertFromMimeData(const QMimeData* source)
{
    if (source->hasImage() && !source->hasText()) {
        Q_EMIT imagePasted();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

QColor ResultEditor::highlightColor()
{
    QColor yellow(255, 204, 0);
    yellow.setAlphaF(0.35f);
    return yellow;
}

void ResultEditor::scrollToPosition(int position)
{
    QTextCursor cursor(document());
    cursor.setPosition(position);
    if (viewport()->rect().contains(cursorRect(cursor)))
        return;
    const QTextBlock block = cursor.block();
    const QTextLayout* layout = block.layout();
    const int lineInBlock =
        layout ? qMax(0, layout->lineForTextPosition(position - block.position()).lineNumber()) : 0;
    verticalScrollBar()->setValue(block.firstLineNumber() + lineInBlock);
}

void ResultEditor::refreshHighlights()
{
    QList<QTextEdit::ExtraSelection> selections;
    const QList<int> positions = matchPositions(m_text, m_search);
    for (const int position : positions) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(document());
        selection.cursor.setPosition(position);
        selection.cursor.setPosition(position + int(m_search.size()), QTextCursor::KeepAnchor);
        selection.format.setBackground(highlightColor());
        selections.append(selection);
    }
    setExtraSelections(selections);
    // Scrolling follows a new term only; edits under an unchanged term leave the view alone.
    if (m_search != m_lastSearch && !positions.isEmpty())
        scrollToPosition(positions.first());
    m_lastSearch = m_search;
}

} // namespace vellumix
