// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace vellumix {

// One recognised line. The box is normalised to the recognised image with its origin at the
// lower-left corner and y growing upwards; composition and PDF export rely on that.
struct TextBlock
{
    QUuid id = QUuid::createUuid();
    QString text;
    float confidence = 0.0f;
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    QRectF rect() const { return {x, y, width, height}; }

    QJsonObject toJson() const;
    // Throws PlatformError when a key is missing or has the wrong type.
    static TextBlock fromJson(const QJsonObject& object);

    friend bool operator==(const TextBlock&, const TextBlock&) = default;
};

struct Recognition
{
    QList<TextBlock> blocks; // in the recogniser's order, not sorted
    QStringList codes;       // barcode payloads, duplicates kept
    double seconds = 0.0;
    QString language; // the Tesseract languages read with ("deu+eng"); empty when unknown

    // Mean block confidence, summed in block order as 32-bit floats; 0 without blocks.
    float confidence() const;
    QString text(bool preserve) const;
};

struct OCROptions
{
    bool fast = false;
    QStringList languages; // priority order; empty means the engine's default
    bool automaticLanguage = true;
    QStringList vocabulary;
    // Dots per inch of a scanned document page, 0 for anything else. Tesseract is told the true
    // resolution, and the engine's second, plain reading (meant for captures it has prepared) is
    // skipped: it would read the same paper again.
    int scanResolution = 0;

    friend bool operator==(const OCROptions&, const OCROptions&) = default;
};

struct PDFPageResult
{
    int index = 0; // zero-based
    QList<TextBlock> blocks;
    QString text;
    QSizeF size; // displayed size in points, rotation applied
};

} // namespace vellumix
