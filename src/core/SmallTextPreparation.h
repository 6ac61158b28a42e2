// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QImage;

namespace vellumix {

// Small captures are upscaled before text recognition: Tesseract's layout analysis loses
// text whose x-height is only a few pixels.
namespace SmallTextPreparation {

inline constexpr double targetSide = 1600.0;
inline constexpr double maximumFactor = 3.0;

// The factor applied by prepare(): at least 1.0, at most maximumFactor.
double scale(int width, int height);

// The same image when no upscaling applies, otherwise a smoothly upscaled copy.
QImage prepare(const QImage& image);

} // namespace SmallTextPreparation

} // namespace vellumix
