// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QImage;
class QRect;
class QString;

namespace vellumix {

// Tesseract's models drop underscores in program code ("__last" comes out "last" or "_ last"):
// the stroke lies below the line, where nothing else does. In evenly spaced text every
// character has a cell of its own, so the image tells where each one is.
namespace MonospaceText {

// text, a line Tesseract read from grey within line, rebuilt cell by cell: a cell with ink
// above baseline takes the next character of text, a cell with only a low stroke is an
// underscore, an empty one a space. pitch is the width of a character as the words suggest.
// Returns text unchanged where the line is not evenly spaced, its cells do not match the
// characters, or nothing is missing.
QString
withUnderscores(const QImage& grey, const QRect& line, int baseline, double pitch, const QString& text);

} // namespace MonospaceText

} // namespace vellumix
