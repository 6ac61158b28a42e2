// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QImage;

namespace vellumix {

// Small captures are upscaled before text recognition: Tesseract's layout analysis loses
// text whose x-height is only a few pixels.
namespace SmallTextPreparation {

inline constexpr double targetSide = 1600.0;
inline constexpr double maximumFactor = 3.0;

// Ways to upscale, compared by the recognition benchmark.
enum class Upscaler { QtSmooth, LeptonicaLinear, LeptonicaSharpened };

// The factor applied by prepare(): at least 1.0, at most `maximum`.
double scale(int width, int height, double maximum = maximumFactor);

// The same image when no upscaling applies, otherwise an upscaled copy (8-bit grey for the
// Leptonica scalers).
QImage prepare(const QImage& image, Upscaler upscaler = Upscaler::QtSmooth, double maximum = maximumFactor);

} // namespace SmallTextPreparation

} // namespace vellumix
