// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPlainTextEdit>

namespace vellumix {

// The editable plain-text view of a result. The owner pushes text in with setText() and gets
// every edit back through textEdited(); search matches are display-only highlights.
class ResultEditor final : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit ResultEditor(QWidget* parent = nullptr);

    // The text as given and edited, character for character: no-break spaces and line or
    // paragraph separators stay what they were, unlike toPlainText().
    QString text() const { return m_text; }
    // Replaces the content only when it differs, so the caret, selection and undo history
    // survive the echo of the user's own typing.
    void setText(const QString& text);

    QString search() const { return m_search; }
    void setSearch(const QString& term);

    // Starts of the literal, case-sensitive, non-overlapping matches of term, from the left.
    static QList<int> matchPositions(const QString& text, const QString& term);
    static QColor highlightColor();
    // The previous text with the document's raw text (blocks separated by U+2029) merged in:
    // only the span that differs is taken from the document, a separator read as a line feed.
    static QString merged(const QString& before, const QString& raw);

protected:
    // A pasted image (no text with it) is handed on.
    void insertFromMimeData(const QMimeData* source) override;

Q_SIGNALS:
    void textEdited(const QString& text);
    void imagePasted();

private:
    void refreshHighlights();
    void scrollToPosition(int position);

    QString m_text;
    QString m_search;
    QString m_lastSearch;
    bool m_replacing = false;
};

} // namespace vellumix
