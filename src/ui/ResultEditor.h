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

    QString text() const { return toPlainText(); }
    // Replaces the content only when it differs, so the caret, selection and undo history
    // survive the echo of the user's own typing.
    void setText(const QString& text);

    QString search() const { return m_search; }
    void setSearch(const QString& term);

    // Starts of the literal, case-sensitive, non-overlapping matches of term, from the left.
    static QList<int> matchPositions(const QString& text, const QString& term);
    static QColor highlightColor();

Q_SIGNALS:
    void textEdited(const QString& text);

private:
    void refreshHighlights();
    void scrollToPosition(int position);

    QString m_search;
    QString m_lastSearch;
    bool m_replacing = false;
};

} // namespace vellumix
