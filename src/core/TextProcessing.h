// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Records.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

namespace vellumix::TextProcessing {

// Reading order (top to bottom, left to right within a line; prose set in columns side by side
// one column after the other), then joined: one line per block when preserving, otherwise
// paragraphs reflowed onto single lines.
QString compose(const QList<TextBlock>& blocks, bool preserve);

// The user's explicit clean-up: NFC, straight quotes, then literal "find => replace" rules.
QString transform(const QString& text, bool normalize, bool quotes, const QString& rules);

// Replaces every non-overlapping occurrence of `find`, matching canonically equivalent forms
// (a precomposed letter matches its decomposed spelling) without normalising the rest of the text.
QString replaceEquivalent(const QString& text, const QString& find, const QString& replacement);

// Whether two blocks count as one line of text: their bottom edges lie closer than the line
// tolerance.
bool onOneLine(const TextBlock& a, const TextBlock& b);
// The blocks that composition reads as one line, left to right, where there are two or more:
// the cells of a table row, a label and its value. Prose in columns side by side is read one
// column after the other, so its lines form no rows.
std::vector<std::vector<std::size_t>> rowsOfBlocks(const QList<TextBlock>& blocks);
// Whether a comes before b in reading order. Not a strict weak ordering: the same-line test is
// not transitive.
bool readsBefore(const TextBlock& a, const TextBlock& b);

// A stable merge sort that stays in bounds and terminates whatever `before` answers, which
// std::stable_sort does not promise for an inconsistent comparator. Returns a permutation of the
// input positions.
std::vector<std::size_t> stableOrder(std::size_t count,
                                     const std::function<bool(std::size_t, std::size_t)>& before);

} // namespace vellumix::TextProcessing
