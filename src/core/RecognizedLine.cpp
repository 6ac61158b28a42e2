// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecognizedLine.h"

#include <algorithm>

namespace vellumix {

std::optional<TextBlock> RecognizedLine::toBlock(QSize imageSize) const
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0 || !box.isValid())
        return std::nullopt;
    // Tesseract ends lines with one or two newlines and may pad with blanks.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const float score = confidence / 100.0f;
    if (score < minimumConfidence)
        return std::nullopt;
    const double w = imageSize.width();
    const double h = imageSize.height();
    // A long scrolling screenshot's lines are small against its height: past a screen's
    // height the floor stays put.
    if (float(box.height() / std::min(h, 1200.0)) < minimumTextHeight)
        return std::nullopt;

    TextBlock block;
    block.text = trimmed;
    block.confidence = score;
    block.x = box.x() / w;
    block.width = box.width() / w;
    block.height = box.height() / h;
    block.y = (h - (box.y() + box.height())) / h;
    return block;
}

} // namespace vellumix
