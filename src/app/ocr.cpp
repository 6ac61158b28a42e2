// SPDX-License-Identifier: GPL-3.0-or-later
// vellumix-ocr: recognises image files and PDF pages from scripts and terminals with the same
// core as the tray application.
#include "core/Cancellation.h"
#include "core/Errors.h"
#include "core/ImageLoader.h"
#include "core/PDFService.h"
#include "core/Records.h"
#include "core/TesseractEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace vellumix;

namespace {

enum ExitStatus { Success = 0, Failure = 1, UsageError = 2 };

// Our standard error. Decoders (libpng, libtiff) and Tesseract print their complaints straight to
// descriptor 2, which points at /dev/null while we run: each file gets one message, ours.
FILE* messages = stderr;

void silenceLibraries()
{
    const int own = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    FILE* stream = own >= 0 ? ::fdopen(own, "w") : nullptr;
    if (stream && null >= 0 && ::dup2(null, STDERR_FILENO) >= 0) {
        std::setvbuf(stream, nullptr, _IONBF, 0);
        messages = stream;
    } else if (stream) {
        std::fclose(stream);
    } else if (own >= 0) {
        ::close(own);
    }
    if (null >= 0)
        ::close(null);
}

QStringList splitList(const QStringList& values)
{
    QStringList items;
    for (const QString& value : values)
        for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!item.trimmed().isEmpty())
                items.append(item.trimmed());
    return items;
}

QByteArray readStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw PlatformError(input.errorString());
    // One byte past the limit is enough to refuse, without holding an endless stream.
    const QByteArray data = input.read(ImageLoader::maximumFileBytes + 1);
    if (data.isEmpty() && input.error() != QFileDevice::NoError)
        throw PlatformError(input.errorString());
    return data;
}

QJsonArray toJson(const QList<TextBlock>& textBlocks)
{
    QJsonArray blocks;
    for (const TextBlock& block : textBlocks)
        blocks.append(QJsonObject{{QStringLiteral("text"), block.text},
                                  {QStringLiteral("confidence"), double(block.confidence)},
                                  {QStringLiteral("x"), block.x},
                                  {QStringLiteral("y"), block.y},
                                  {QStringLiteral("width"), block.width},
                                  {QStringLiteral("height"), block.height}});
    return blocks;
}

QJsonObject toJson(const QString& name, const Recognition& recognition, bool preserve)
{
    return {{QStringLiteral("file"), name},
            {QStringLiteral("text"), recognition.text(preserve)},
            {QStringLiteral("confidence"), double(recognition.confidence())},
            {QStringLiteral("blocks"), toJson(recognition.blocks)},
            {QStringLiteral("codes"), QJsonArray::fromStringList(recognition.codes)},
            {QStringLiteral("language"), recognition.language},
            {QStringLiteral("seconds"), recognition.seconds}};
}

QJsonObject toJson(const QString& name, const QList<PDFPageResult>& pages, double seconds)
{
    QJsonArray pageArray;
    for (const PDFPageResult& page : pages)
        pageArray.append(QJsonObject{{QStringLiteral("page"), page.index + 1},
                                     {QStringLiteral("text"), page.text},
                                     {QStringLiteral("width"), page.size.width()},
                                     {QStringLiteral("height"), page.size.height()},
                                     {QStringLiteral("blocks"), toJson(page.blocks)}});
    return {{QStringLiteral("file"), name},
            {QStringLiteral("text"), PDFService::joinedText(pages)},
            {QStringLiteral("confidence"), double(PDFService::confidence(pages))},
            {QStringLiteral("pages"), pageArray},
            {QStringLiteral("seconds"), seconds}};
}

struct PageRange
{
    int first = 1;
    std::optional<int> last; // none: to the end
};

// "A-B", "A-" or "N", counted from 1; range checks against the document come later.
std::optional<PageRange> parsePages(const QString& text)
{
    const QStringList parts = text.trimmed().split(u'-');
    if (parts.size() > 2)
        return std::nullopt;
    bool ok = false;
    PageRange range;
    range.first = parts.first().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (parts.size() == 1) {
        range.last = range.first;
    } else if (!parts.last().trimmed().isEmpty()) {
        range.last = parts.last().trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return range;
}

// By name like the application, or by content for PDFs named otherwise.
bool isPdf(const QString& path)
{
    if (QFileInfo(path).suffix().toLower() == QLatin1String("pdf"))
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

// One line on a terminal, rewritten after each page; nothing when standard error is redirected.
class ProgressLine
{
public:
    explicit ProgressLine(const QString& name) : m_name(name.toLocal8Bit()), m_shown(isatty(fileno(messages)))
    {
    }
    ~ProgressLine()
    {
        if (m_shown)
            std::fputs("\r\033[K", messages);
    }
    // Called in page order from the recognising thread.
    void show(int done, int count)
    {
        if (m_shown)
            std::fprintf(messages, "\r\033[Kvellumix-ocr: %s: page %d of %d", m_name.constData(), done,
                         count);
    }

private:
    QByteArray m_name;
    bool m_shown;
};

struct FileResult
{
    QList<PDFPageResult> pages;
    double seconds = 0.0;
    QImage image;
    Recognition recognition;
};

class TimedOut final : public Error
{
public:
    explicit TimedOut(double seconds) : m_seconds(seconds) {}
    QString message() const override { return QStringLiteral("Gave up after %1 seconds.").arg(m_seconds); }

private:
    double m_seconds;
};

// Runs the work on its own thread and waits at most the timeout (none when 0). Recognition stops
// at the cancellation; a decoder does not, so its thread is left behind and `abandoned` is set.
FileResult
runWithin(std::function<FileResult()> work, double seconds, const CancelToken& cancel, bool& abandoned)
{
    if (seconds <= 0.0)
        return work();
    auto task = std::make_shared<std::packaged_task<FileResult()>>(std::move(work));
    std::future<FileResult> future = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (future.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready)
        return future.get();
    cancel.cancel();
    if (future.wait_for(std::chrono::seconds(2)) != std::future_status::ready)
        abandoned = true;
    throw TimedOut(seconds);
}

} // namespace

int main(int argc, char* argv[])
{
    silenceLibraries();
    // Decoders report hostile files through Qt's warnings; the user gets one message from us.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg || type == QtCriticalMsg)
            QTextStream(messages) << "vellumix-ocr: " << message << '\n';
    });
    // Some image plugins (SVG with text) need fonts, which only a GUI application has; no
    // window is ever shown, so no display is needed either.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vellumix-ocr"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELLUMIX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Recognises the text, barcodes and QR codes in image files and the text of PDF pages,\n"
        "locally with Tesseract. Prints each file's text with its lines preserved, in reading\n"
        "order; a PDF's pages are separated by an empty line. Use - as FILE to read an image\n"
        "from standard input. On a terminal, standard error shows the page being read.\n\n"
        "Exit status: 0 when every file was recognised, 1 when any file failed, 2 for a usage "
        "error."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption reflow(QStringLiteral("reflow"),
                                    QStringLiteral("Join the lines of each paragraph into one line."));
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Faster, less accurate: no upscaling, no dictionaries."));
    const QCommandLineOption languages(
        QStringList{QStringLiteral("l"), QStringLiteral("languages")},
        QStringLiteral("Recognition languages in priority order, comma-separated: Tesseract names "
                       "(eng, deu, chi_sim) or codes (en-US, de, zh-Hans). Default: automatic."),
        QStringLiteral("list"));
    const QCommandLineOption words(QStringList{QStringLiteral("w"), QStringLiteral("words")},
                                   QStringLiteral("Custom words to prefer, comma-separated (repeatable)."),
                                   QStringLiteral("list"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object a line per file: text, blocks with "
                                                 "boxes (normalised, origin lower-left) and confidences, "
                                                 "codes, seconds; for a PDF its pages, each with its "
                                                 "text, size in points and blocks."));
    const QCommandLineOption listLanguages(QStringLiteral("list-languages"),
                                           QStringLiteral("List the installed recognition languages."));
    const QCommandLineOption pages(
        QStringLiteral("pages"),
        QStringLiteral("Pages of PDF files to recognise: A-B, A- or N, counted from 1. Default: all."),
        QStringLiteral("range"));
    const QCommandLineOption searchable(
        QStringLiteral("searchable-pdf"),
        QStringLiteral("Also write the input (one PDF or image) as a searchable PDF to OUT: its pages with "
                       "the recognised text as an invisible, selectable layer."),
        QStringLiteral("OUT"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Give up on a file after this many seconds and go on with the next. Default: none."),
        QStringLiteral("seconds"));
    parser.addOptions({reflow, fast, languages, words, json, listLanguages, pages, searchable, timeout});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Image files (PNG, JPEG, WebP, …) or PDF documents."),
                                 QStringLiteral("FILE..."));

    QTextStream out(stdout);
    QTextStream err(messages);
    if (!parser.parse(QCoreApplication::arguments())) {
        err << "vellumix-ocr: " << parser.errorText() << "\nTry 'vellumix-ocr --help'.\n";
        return UsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Success);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    TesseractEngine engine;
    if (parser.isSet(listLanguages)) {
        out << engine.languages().join(QLatin1Char('\n')) << '\n';
        return Success;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        err << "vellumix-ocr: no input file given\nTry 'vellumix-ocr --help'.\n";
        return UsageError;
    }
    if (files.count(QStringLiteral("-")) > 1) {
        err << "vellumix-ocr: standard input can be read only once\n";
        return UsageError;
    }

    std::optional<PageRange> range = PageRange{};
    if (parser.isSet(pages) && !(range = parsePages(parser.value(pages)))) {
        err << "vellumix-ocr: invalid page range \u201c" << parser.value(pages)
            << "\u201d (expected A-B, A- or N)\n";
        return UsageError;
    }
    const QString searchableOut = parser.value(searchable);
    if (parser.isSet(searchable) && files.size() != 1) {
        err << "vellumix-ocr: --searchable-pdf takes exactly one input file\n";
        return UsageError;
    }

    double timeoutSeconds = 0.0;
    if (parser.isSet(timeout)) {
        bool ok = false;
        timeoutSeconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(timeoutSeconds > 0.0) || timeoutSeconds > 1e6) {
            err << "vellumix-ocr: invalid timeout \u201c" << parser.value(timeout)
                << "\u201d (expected a number of seconds)\n";
            return UsageError;
        }
    }

    OCROptions options;
    options.fast = parser.isSet(fast);
    options.languages = splitList(parser.values(languages));
    options.automaticLanguage = options.languages.isEmpty();
    options.vocabulary = splitList(parser.values(words));
    const bool preserve = !parser.isSet(reflow);

    // A bad language list fails every file the same way: say so once.
    try {
        engine.languageString(options);
    } catch (const Error& error) {
        err << "vellumix-ocr: " << error.message() << '\n';
        return UsageError;
    }

    int status = Success;
    bool abandoned = false; // a worker still stuck in a decoder when its file timed out
    bool headed = false;    // a file's text was printed: the next one's header follows an empty line
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& file = files.at(i);
        const QString name = file == QLatin1String("-") ? QStringLiteral("(standard input)") : file;
        try {
            const bool pdf = file != QLatin1String("-") && isPdf(file);
            // Read before the worker starts: standard input is not the worker's to wait on.
            const QByteArray input = file == QLatin1String("-") ? readStandardInput() : QByteArray();
            const CancelToken cancel;
            auto work = [&, file, name, pdf, input, cancel]() -> FileResult {
                FileResult result;
                if (pdf) {
                    QFile readable(file); // a missing file is not a page-range problem
                    if (!readable.open(QIODevice::ReadOnly))
                        throw PlatformError(readable.errorString());
                    const int last = range->last ? *range->last : PDFService::pageCount(file);
                    ProgressLine progress(name);
                    const int count = last - range->first + 1;
                    QElapsedTimer timer;
                    timer.start();
                    result.pages = PDFService::recognize(file, range->first, last, options, preserve, engine,
                                                         cancel, [&progress, count](double fraction) {
                                                             progress.show(qRound(fraction * count), count);
                                                         });
                    result.seconds = double(timer.nsecsElapsed()) / 1e9;
                    return result;
                }
                result.image = input.isNull() ? ImageLoader::load(file) : ImageLoader::loadData(input);
                result.recognition = engine.recognize(result.image, options, cancel);
                return result;
            };
            const FileResult result = runWithin(std::move(work), timeoutSeconds, cancel, abandoned);
            // The text is the result: it is printed before the searchable copy may fail.
            if (parser.isSet(json)) {
                const QJsonObject object = pdf ? toJson(name, result.pages, result.seconds)
                                               : toJson(name, result.recognition, preserve);
                out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
            } else {
                if (files.size() > 1)
                    out << (headed ? "\n" : "") << "==> " << name << " <==\n";
                headed = true;
                const QString text =
                    pdf ? PDFService::joinedText(result.pages) : result.recognition.text(preserve);
                if (!text.isEmpty())
                    out << text << '\n';
                if (!pdf) {
                    for (const QString& code : result.recognition.codes)
                        out << code << '\n';
                }
            }
            out.flush();
            if (!searchableOut.isEmpty()) {
                if (pdf)
                    PDFService::exportSearchable(file, result.pages, QImage(), {}, searchableOut);
                else
                    PDFService::exportSearchable({}, {}, result.image, result.recognition.blocks,
                                                 searchableOut);
            }
        } catch (const Error& error) {
            out.flush();
            err << "vellumix-ocr: " << name << ": " << error.message() << '\n';
            err.flush();
            status = Failure;
        }
    }
    if (abandoned) {
        // A decoder that never returns cannot be joined; leave without running destructors.
        std::fflush(stdout);
        std::fflush(messages);
        std::_Exit(status);
    }
    return status;
}
