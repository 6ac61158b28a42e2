// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OCREngine.h"

#include <QString>

#include <memory>

namespace vellumix {

// The recognition engine on Tesseract (text) and ZXing (barcodes). Tesseract instances are
// expensive to create, so each one is kept after use, keyed by its configuration, and lent to
// one thread at a time. Safe to call from several threads at once.
class TesseractEngine final : public OCREngine
{
public:
    // Choices the recognition benchmark compares; the defaults are what it measured best.
    struct Tuning
    {
        int pageSegmentation = 3; // automatic: keeps columns apart; sparse text (11) lost code lines
        bool normalizePolarity = true;
        int resolution = 0; // 0 leaves it to Tesseract's estimate; a false DPI hurts badly
        bool upscale = true;
        // Tesseract's own retry of unsure lines on an inverted copy; with polarity already
        // normalised it mostly costs a second pass.
        bool retryInverted = true;
    };

    explicit TesseractEngine(QString tessdataPath = {});
    TesseractEngine(QString tessdataPath, Tuning tuning);
    ~TesseractEngine() override;

    Recognition recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel) override;
    QStringList languages() const override;

    QString dataPath() const;
    // The Tesseract language string ("deu+eng") a recognition with these options would use.
    // Throws PlatformError naming a language that is unknown or not installed.
    QString languageString(const OCROptions& options) const;

private:
    class Pool;
    QString m_dataPath;
    Tuning m_tuning;
    std::unique_ptr<Pool> m_pool;
};

} // namespace vellumix
