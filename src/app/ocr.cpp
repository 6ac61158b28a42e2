// SPDX-License-Identifier: GPL-3.0-or-later
// vellumix-ocr: recognises image files from scripts and terminals with the same core as the
// tray application.
#include "core/Cancellation.h"
#include "core/Errors.h"
#include "core/ImageLoader.h"
#include "core/Records.h"
#include "core/TesseractEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

using namespace vellumix;

namespace {

enum ExitStatus { Success = 0, Failure = 1, UsageError = 2 };

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

QJsonObject toJson(const QString& name, const Recognition& recognition, bool preserve)
{
    QJsonArray blocks;
    for (const TextBlock& block : recognition.blocks)
        blocks.append(QJsonObject{{QStringLiteral("text"), block.text},
                                  {QStringLiteral("confidence"), double(block.confidence)},
                                  {QStringLiteral("x"), block.x},
                                  {QStringLiteral("y"), block.y},
                                  {QStringLiteral("width"), block.width},
                                  {QStringLiteral("height"), block.height}});
    return {{QStringLiteral("file"), name},
            {QStringLiteral("text"), recognition.text(preserve)},
            {QStringLiteral("confidence"), double(recognition.confidence())},
            {QStringLiteral("blocks"), blocks},
            {QStringLiteral("codes"), QJsonArray::fromStringList(recognition.codes)},
            {QStringLiteral("seconds"), recognition.seconds}};
}

} // namespace

int main(int argc, char* argv[])
{
    // Decoders report hostile files through Qt's warnings; the user gets one message from us.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg || type == QtCriticalMsg)
            QTextStream(stderr) << "vellumix-ocr: " << message << '\n';
    });
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vellumix-ocr"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELLUMIX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Recognises the text, barcodes and QR codes in image files, locally with Tesseract.\n"
                       "Prints each file's text with its lines preserved, in reading order. Use - as FILE\n"
                       "to read an image from standard input.\n\n"
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
                                                 "codes, seconds."));
    const QCommandLineOption listLanguages(QStringLiteral("list-languages"),
                                           QStringLiteral("List the installed recognition languages."));
    parser.addOptions({reflow, fast, languages, words, json, listLanguages});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Image files (PNG, JPEG, WebP, …)."),
                                 QStringLiteral("FILE..."));

    QTextStream out(stdout);
    QTextStream err(stderr);
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
    const CancelToken cancel;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString& file = files.at(i);
        const QString name = file == QLatin1String("-") ? QStringLiteral("(standard input)") : file;
        try {
            // Room for other document types (PDF page ranges) goes here, keyed by content.
            const QImage image = file == QLatin1String("-") ? ImageLoader::loadData(readStandardInput())
                                                            : ImageLoader::load(file);
            const Recognition recognition = engine.recognize(image, options, cancel);
            if (parser.isSet(json)) {
                out << QJsonDocument(toJson(name, recognition, preserve)).toJson(QJsonDocument::Compact)
                    << '\n';
            } else {
                if (files.size() > 1)
                    out << (i > 0 ? "\n" : "") << "==> " << name << " <==\n";
                const QString text = recognition.text(preserve);
                if (!text.isEmpty())
                    out << text << '\n';
                for (const QString& code : recognition.codes)
                    out << code << '\n';
            }
            out.flush();
        } catch (const Error& error) {
            out.flush();
            err << "vellumix-ocr: " << name << ": " << error.message() << '\n';
            err.flush();
            status = Failure;
        }
    }
    return status;
}
