// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OCREngine.h"
#include "core/SmallTextPreparation.h"

#include <QRectF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

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
        // A second, plain reading of images with unsure lines, keeping the better per area.
        bool judge = true;
        // A line below this mean word confidence, or with a word below sureWord, asks for the
        // plain reading.
        float sureLine = 80.0f;
        float sureWord = 60.0f;
        SmallTextPreparation::Upscaler upscaler = SmallTextPreparation::Upscaler::QtSmooth;
        double maximumUpscale = SmallTextPreparation::maximumFactor;
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

    // One line of a reading, as the engine weighs it against others.
    struct TextLine
    {
        QString text;
        QRectF box;              // pixels of the image read
        float confidence = 0.0f; // mean of its words
        float weakest = 100.0f;  // its least sure word
        double score = 0.0;
        int words = 0;
        int letters = 0; // in words of three letters or more
        int unknown = 0; // of those, in words no dictionary knows or read unsurely
    };

private:
    class Pool;
    class Session;

    static bool tiled(const QImage& image);
    // An image in grey, and dark-on-light at its size with where it was inverted: worked out
    // once per capture, as every reading and the language sample start from them.
    struct Greys
    {
        QImage greyscale, normalised, darkRegions;
        bool unevenPaper = false;
        bool darkPaper = false; // a dark theme's window
        bool photographed = false;
        bool blurred = false; // and not photographed
    };
    Greys greysOf(const QImage& image) const;
    // The prepared reading (or `prepared`, when already made), and with `judge` the plain
    // reading of unsure areas, keeping the better per area. `greys` are image's, unless it is
    // read in tiles.
    std::vector<TextLine> readText(const QImage& image,
                                   const Greys& greys,
                                   const QString& languages,
                                   const OCROptions& options,
                                   const CancelToken& cancel,
                                   bool judge = true,
                                   std::optional<std::vector<TextLine>> prepared = std::nullopt);
    // The installed language that reads a sample of the unsure lines clearly better than the
    // first of `first`; `first` when none does, empty when the lines are sure enough (or too
    // little prose) to ask. `usual`, when `first` is a guess from an earlier capture, is the
    // language to check it against.
    QString chooseLanguages(const Greys& greys,
                            const QString& first,
                            const QString& usual,
                            const std::vector<TextLine>& lines,
                            const OCROptions& options,
                            const CancelToken& cancel);

    QString m_dataPath;
    Tuning m_tuning;
    std::unique_ptr<Pool> m_pool;
};

} // namespace vellumix
