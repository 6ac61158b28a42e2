// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace vellumix::bench {

// One generated evaluation image with the text a perfect reader would return.
struct EvaluationImage
{
    QString category;
    QString name;
    QImage image;
    QString expected;  // lines joined with '\n'
    QStringList codes; // barcode payloads
    QString languages; // empty for English
};

// The whole evaluation set, identical on every run (seeded generator, bundled fonts only).
QList<EvaluationImage> evaluationSet();

// The 600 x 120 region used for latency: three lines of typical interface text.
EvaluationImage latencyRegion();

// The image shown by the README's run command.
QImage sampleImage();

// Character error rate after collapsing whitespace: edit distance / expected length.
double characterErrorRate(const QString& expected, const QString& actual);

} // namespace vellumix::bench
