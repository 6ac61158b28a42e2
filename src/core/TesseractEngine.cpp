// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TesseractEngine.h"

#include "core/BarcodeReader.h"
#include "core/Errors.h"
#include "core/RecognizedLine.h"
#include "core/ScreenImage.h"
#include "core/SmallTextPreparation.h"
#include "core/TesseractLanguages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QMutex>
#include <QTemporaryFile>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <omp.h>

#include <algorithm>
#include <map>
#include <vector>

namespace vellumix {

namespace {

constexpr int polarityRadius = 25;
constexpr std::size_t maximumIdleInstances = 4;

struct Configuration
{
    QString languages;
    bool dictionaries = true;
    QStringList vocabulary;

    QString key() const
    {
        return languages + QLatin1Char('\x1f') + (dictionaries ? QLatin1Char('1') : QLatin1Char('0')) +
               QLatin1Char('\x1f') + vocabulary.join(QLatin1Char('\n'));
    }
};

bool cancelRequested(void* token, int /*words*/)
{
    return static_cast<const CancelToken*>(token)->isCancelled();
}

} // namespace

class TesseractEngine::Pool
{
public:
    using Api = std::unique_ptr<tesseract::TessBaseAPI>;

    Api acquire(const QString& key)
    {
        const QMutexLocker lock(&m_mutex);
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if (it->first == key) {
                Api api = std::move(it->second);
                m_idle.erase(it);
                return api;
            }
        }
        return nullptr;
    }

    void release(const QString& key, Api api)
    {
        const QMutexLocker lock(&m_mutex);
        m_idle.emplace_back(key, std::move(api));
        // Each instance holds a model of tens of megabytes: keep only the recent ones.
        while (m_idle.size() > maximumIdleInstances)
            m_idle.erase(m_idle.begin());
    }

private:
    QMutex m_mutex;
    std::vector<std::pair<QString, Api>> m_idle; // oldest first
};

TesseractEngine::TesseractEngine(QString tessdataPath) : TesseractEngine(std::move(tessdataPath), Tuning{}) {}

TesseractEngine::TesseractEngine(QString tessdataPath, Tuning tuning)
    : m_dataPath(tessdataPath.isEmpty() ? TesseractLanguages::defaultDataPath() : std::move(tessdataPath)),
      m_tuning(tuning), m_pool(std::make_unique<Pool>())
{
}

TesseractEngine::~TesseractEngine() = default;

QString TesseractEngine::dataPath() const
{
    return m_dataPath;
}

QStringList TesseractEngine::languages() const
{
    QStringList names = TesseractLanguages::installed(m_dataPath);
    if (names.isEmpty())
        names.append(QStringLiteral("eng"));
    return names;
}

QString TesseractEngine::languageString(const OCROptions& options) const
{
    const QStringList installed = TesseractLanguages::installed(m_dataPath);
    QStringList chosen;
    for (const QString& code : options.languages) {
        if (code.trimmed().isEmpty())
            continue;
        const QString name = TesseractLanguages::fromCode(code);
        if (name.isEmpty())
            throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                            "“%1” is not a recognition language.")
                                    .arg(code.trimmed()));
        if (!installed.contains(name))
            throw PlatformError(
                QCoreApplication::translate("vellumix::TesseractEngine",
                                            "The recognition language “%1” is not installed (Debian package "
                                            "tesseract-ocr-%2).")
                    .arg(code.trimmed(), name.toLower().replace(QLatin1Char('_'), QLatin1Char('-'))));
        if (!chosen.contains(name))
            chosen.append(name);
    }
    if (!chosen.isEmpty())
        return chosen.join(QLatin1Char('+'));
    if (installed.isEmpty())
        throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                        "No Tesseract language data was found in %1.")
                                .arg(m_dataPath));

    // No explicit choice: English, and with automatic language the user's own language first,
    // when its pack is installed. A second language costs little: Tesseract only consults it
    // for words the first one reads poorly.
    const QString english = QStringLiteral("eng");
    if (options.automaticLanguage) {
        const QString own = TesseractLanguages::fromCode(QLocale().name());
        if (!own.isEmpty() && own != english && installed.contains(own))
            chosen.append(own);
    }
    chosen.append(installed.contains(english) ? english : installed.first());
    return chosen.join(QLatin1Char('+'));
}

Recognition
TesseractEngine::recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel)
{
    cancel.throwIfCancelled();
    QElapsedTimer timer;
    timer.start();

    // libgomp's default spends most of its time spinning on two cores; the setting is per thread.
    omp_set_max_active_levels(0);

    const Configuration configuration{languageString(options), !options.fast, options.vocabulary};
    Recognition recognition;

    // Codes first, on the image as given (upscaling only blurs modules): Tesseract reads a code's
    // modules as stray characters, and knowing where the codes are keeps those out of the text.
    cancel.throwIfCancelled();
    const QList<BarcodeReader::Code> codes = BarcodeReader::read(image);
    for (const BarcodeReader::Code& code : codes)
        recognition.codes.append(code.payload);
    cancel.throwIfCancelled();

    if (!image.isNull() && image.width() >= 3 && image.height() >= 3) {
        QImage prepared = ScreenImage::grey(image);
        QImage darkRegions;
        if (m_tuning.normalizePolarity)
            prepared = ScreenImage::normalizePolarity(prepared, polarityRadius, &darkRegions);
        if (!options.fast && m_tuning.upscale)
            prepared = SmallTextPreparation::prepare(prepared);

        const QString key = configuration.key();
        Pool::Api api = m_pool->acquire(key);
        if (!api) {
            api = std::make_unique<tesseract::TessBaseAPI>();
            std::vector<std::string> names;
            std::vector<std::string> values;
            if (!configuration.dictionaries) {
                for (const char* name : {"load_system_dawg", "load_freq_dawg"}) {
                    names.emplace_back(name);
                    values.emplace_back("0");
                }
            }
            // User words are read while the model loads, so they go in with Init.
            QTemporaryFile words;
            if (!configuration.vocabulary.isEmpty()) {
                if (!words.open())
                    throw PlatformError(words.errorString());
                words.write(configuration.vocabulary.join(QLatin1Char('\n')).toUtf8() + '\n');
                words.flush();
                names.emplace_back("user_words_file");
                values.emplace_back(words.fileName().toStdString());
            }
            const QByteArray path = m_dataPath.toLocal8Bit();
            const QByteArray languages = configuration.languages.toUtf8();
            if (api->Init(path.constData(), languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                          &names, &values, false) != 0)
                throw PlatformError(
                    QCoreApplication::translate("vellumix::TesseractEngine",
                                                "Tesseract could not load the language data “%1” from %2.")
                        .arg(configuration.languages, m_dataPath));
            api->SetVariable("debug_file", "/dev/null");
        }
        // Fast mode reads the region as one block of text: no layout analysis.
        api->SetPageSegMode(options.fast ? tesseract::PSM_SINGLE_BLOCK
                                         : tesseract::PageSegMode(m_tuning.pageSegmentation));
        // Fast mode skips the inverted second look at unsure lines: it is most of the extra time.
        api->SetVariable("tessedit_do_invert", m_tuning.retryInverted && !options.fast ? "1" : "0");

        // Tesseract reads R,G,B byte order or grey; grey keeps the anti-aliasing it was trained on.
        api->SetImage(prepared.constBits(), prepared.width(), prepared.height(), 1,
                      int(prepared.bytesPerLine()));
        if (m_tuning.resolution > 0)
            api->SetSourceResolution(m_tuning.resolution);

        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &cancelRequested;
        monitor.cancel_this = const_cast<CancelToken*>(&cancel);
        const int status = api->Recognize(&monitor);
        if (cancel.isCancelled()) {
            // Whatever Tesseract kept is padded with blanks: never let it out.
            api->Clear();
            m_pool->release(key, std::move(api));
            throw Cancelled{};
        }
        if (status != 0) {
            api->Clear();
            m_pool->release(key, std::move(api));
            throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                            "Tesseract could not recognise this image."));
        }

        const QSize size = prepared.size();
        const double toPrepared = double(size.width()) / image.width();
        auto inCode = [&](const QRect& box) {
            const QPointF centre = QRectF(box).center() / toPrepared;
            return std::any_of(codes.begin(), codes.end(), [&](const BarcodeReader::Code& code) {
                return QRectF(code.box).contains(centre);
            });
        };
        const double toMask = darkRegions.isNull() ? 0.0 : double(darkRegions.width()) / size.width();
        auto isDark = [&](const QRect& box) {
            if (darkRegions.isNull())
                return false;
            const QPoint centre = box.center() * toMask;
            return darkRegions.valid(centre) && darkRegions.constScanLine(centre.y())[centre.x()] != 0;
        };

        // Lines are assembled from words so that a line never spans a light and a dark area:
        // once a dark panel is inverted, Tesseract would otherwise run a sidebar label into
        // the text beside it.
        RecognizedLine line;
        int words = 0;
        float confidenceSum = 0.0f;
        bool dark = false;
        auto flush = [&] {
            if (words > 0) {
                line.confidence = confidenceSum / float(words);
                if (auto block = line.toBlock(size))
                    recognition.blocks.append(*block);
            }
            line = {};
            words = 0;
            confidenceSum = 0.0f;
        };
        std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
        if (it && !it->Empty(tesseract::RIL_WORD)) {
            do {
                const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
                int left = 0, top = 0, right = 0, bottom = 0;
                if (!text || !it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
                    continue;
                const QString word = QString::fromUtf8(text.get()).trimmed();
                if (word.isEmpty())
                    continue;
                const QRect box(QPoint(left, top), QPoint(right - 1, bottom - 1));
                if (inCode(box))
                    continue;
                const bool wordIsDark = isDark(box);
                if (words > 0 && (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || wordIsDark != dark))
                    flush();
                dark = wordIsDark;
                line.text += (words > 0 ? QStringLiteral(" ") : QString()) + word;
                line.box |= box;
                confidenceSum += it->Confidence(tesseract::RIL_WORD);
                ++words;
            } while (it->Next(tesseract::RIL_WORD));
        }
        flush();
        it.reset();
        api->Clear();
        m_pool->release(key, std::move(api));
    }

    cancel.throwIfCancelled();
    recognition.seconds = double(timer.nsecsElapsed()) / 1e9;
    return recognition;
}

} // namespace vellumix
