// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace vellumix {

// Language names as Tesseract knows them, and the installed packs.
namespace TesseractLanguages {

// "eng", "chi_sim" pass through; BCP-47 codes ("en-US", "zh-Hans", "sr-Latn") are mapped.
// Returns an empty string when the code names no language.
QString fromCode(const QString& code);

// The writing system of a pack as Tesseract's script detection names it ("Latin", "Cyrillic",
// "Han", "Japanese", "Korean"), or an empty string for a pack of several or unknown scripts.
QString script(const QString& pack);

// Installed packs in the tessdata folder, sorted, without the non-language data "osd" and "equ".
QStringList installed(const QString& tessdataPath);

// The tessdata folder: $TESSDATA_PREFIX when it holds packs, else Debian's location.
QString defaultDataPath();

} // namespace TesseractLanguages

} // namespace vellumix
