// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QByteArray;
class QImage;
class QString;

namespace vellumix {

// Turns image files into upright bitmaps, refusing oversized or hostile input before any
// pixel is decoded. Throws VellumixError (FileTooLarge, InvalidImage) or, when the file
// itself cannot be opened, a PlatformError with the system's description.
namespace ImageLoader {

inline constexpr qint64 maximumFileBytes = 262'144'000; // 250 MiB
inline constexpr double maximumPixels = 80'000'000.0;

QImage load(const QString& path);
// The same checks for bytes that did not come from a file (standard input, the clipboard).
QImage loadData(const QByteArray& data);

} // namespace ImageLoader

} // namespace vellumix
