// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

#include <vector>

class QImage;

namespace vellumix {

// Tesseract's models drop underscores in program code ("__last" comes out "last" or "_ last"):
// the stroke lies below the line, where nothing else does. In evenly spaced text every
// character has a cell of its own, so the image tells where each one is.
namespace MonospaceText {

// A word of the line as Tesseract read it; joined: no space before it in the line's text.
struct Word
{
    QString text;
    QRect box;
    bool joined = false;
};

// The line of words Tesseract read from grey rebuilt cell by cell: a cell with ink above
// baseline takes the next character, a cell with only a low stroke is an underscore, an empty
// one a space. pitch is the width of a character as the words suggest. Where the line as a
// whole does not match its cells, each word and each gap between words is mended on its own.
// Returns the words joined unchanged where the line is not evenly spaced or nothing is missing.
QString withUnderscores(const QImage& grey, const std::vector<Word>& words, int baseline, double pitch);

} // namespace MonospaceText

} // namespace vellumix
