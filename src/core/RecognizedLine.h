// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Records.h"

#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace vellumix {

// One text line as the recogniser reports it: pixel box with origin top-left, confidence 0..100.
struct RecognizedLine
{
    static constexpr float minimumConfidence = 0.15f;
    static constexpr float minimumTextHeight = 0.005f; // of the image height, at most 1200 px

    QString text;
    float confidence = 0.0f;
    QRect box;

    // The block the rest of the system sees, or nothing when the line is blank, too unsure or
    // too small. The box is normalised to imageSize and flipped to a lower-left origin.
    std::optional<TextBlock> toBlock(QSize imageSize) const;
};

} // namespace vellumix
