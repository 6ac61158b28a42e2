// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TesseractLanguages.h"

#include <QDir>
#include <QHash>
#include <QLocale>

namespace vellumix::TesseractLanguages {

namespace {

// Where Tesseract's names differ from ISO 639-2/T, keyed by language code and script.
const QHash<QString, QString>& exceptions()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("zho-Hans"), QStringLiteral("chi_sim")},
        {QStringLiteral("zho-Hant"), QStringLiteral("chi_tra")},
        {QStringLiteral("srp-Latn"), QStringLiteral("srp_latn")},
        {QStringLiteral("aze-Cyrl"), QStringLiteral("aze_cyrl")},
        {QStringLiteral("uzb-Cyrl"), QStringLiteral("uzb_cyrl")},
        {QStringLiteral("nob"), QStringLiteral("nor")},
        {QStringLiteral("nno"), QStringLiteral("nor")},
        {QStringLiteral("kur"), QStringLiteral("kmr")},
    };
    return table;
}

// Packs by the script names of Tesseract's osd data; Fraktur packs count as Latin, as the
// detection names Fraktur text either way.
const QHash<QString, QString>& scripts()
{
    static const QHash<QString, QString> table = [] {
        const std::pair<const char*, const char*> groups[] = {
            {"Latin",
             "afr aze bos bre cat ceb ces cos cym dan deu deu_latf eng enm epo est eus fao fil fin fra "
             "frk frm fry gla gle glg hat hrv hun ind isl ita ita_old jav kmr lat lav lit ltz mlt "
             "mri msa nld nor oci pol por que ron slk slv spa spa_old sqi srp_latn swa swe tgl ton "
             "tur uzb vie yor"},
            {"Cyrillic", "aze_cyrl bel bul kaz kir mkd mon rus srp tat tgk ukr uzb_cyrl"},
            {"Greek", "ell grc"},
            {"Arabic", "ara fas pus snd uig urd"},
            {"Hebrew", "heb yid"},
            {"Devanagari", "hin mar nep san"},
            {"Bengali", "asm ben"},
            {"Han", "chi_sim chi_tra"},
            {"Japanese", "jpn"},
            {"Korean", "kor"},
            {"Thai", "tha"},
            {"Tamil", "tam"},
            {"Telugu", "tel"},
            {"Kannada", "kan"},
            {"Malayalam", "mal"},
            {"Gujarati", "guj"},
            {"Gurmukhi", "pan"},
            {"Oriya", "ori"},
            {"Sinhala", "sin"},
            {"Tibetan", "bod dzo"},
            {"Khmer", "khm"},
            {"Lao", "lao"},
            {"Myanmar", "mya"},
            {"Georgian", "kat kat_old"},
            {"Armenian", "hye"},
            {"Ethiopic", "amh tir"},
            {"Syriac", "syr"},
            {"Thaana", "div"},
            {"Cherokee", "chr"},
            {"Canadian_Aboriginal", "iku"},
        };
        QHash<QString, QString> packs;
        for (const auto& [script, names] : groups)
            for (const QString& name : QString::fromLatin1(names).split(QLatin1Char(' ')))
                packs.insert(name, QString::fromLatin1(script));
        return packs;
    }();
    return table;
}

bool looksLikeTesseractName(const QString& code)
{
    // Three lower-case letters, optionally followed by "_suffix": eng, chi_sim, deu_latf.
    if (code.size() < 3 || code.contains(QLatin1Char('-')))
        return false;
    for (int i = 0; i < 3; ++i)
        if (!code.at(i).isLower())
            return false;
    return code.size() == 3 || code.at(3) == QLatin1Char('_');
}

} // namespace

QString fromCode(const QString& code)
{
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (looksLikeTesseractName(trimmed))
        return trimmed;

    const QLocale locale(trimmed);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return {};
    const QString iso = QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T);
    if (iso.isEmpty())
        return {};
    // The script decides only where a language is written in several.
    QString script;
    if (iso == QLatin1String("zho"))
        script = locale.script() == QLocale::TraditionalHanScript ? QStringLiteral("Hant")
                                                                  : QStringLiteral("Hans");
    else if (trimmed.contains(QLatin1String("Latn")))
        script = QStringLiteral("Latn");
    else if (trimmed.contains(QLatin1String("Cyrl")))
        script = QStringLiteral("Cyrl");
    const auto& table = exceptions();
    if (!script.isEmpty()) {
        const auto it = table.find(iso + QLatin1Char('-') + script);
        if (it != table.end())
            return it.value();
    }
    return table.value(iso, iso);
}

QString script(const QString& pack)
{
    // Vertical-text packs ("jpn_vert") share their language's script.
    QString name = pack;
    if (name.endsWith(QLatin1String("_vert")))
        name.chop(5);
    return scripts().value(name);
}

QStringList installed(const QString& tessdataPath)
{
    QStringList names;
    const QStringList files = QDir(tessdataPath).entryList({QStringLiteral("*.traineddata")}, QDir::Files);
    for (const QString& file : files) {
        const QString name = file.chopped(int(sizeof(".traineddata") - 1));
        if (name != QLatin1String("osd") && name != QLatin1String("equ"))
            names.append(name);
    }
    names.sort();
    return names;
}

QString defaultDataPath()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty() && !installed(prefix).isEmpty())
        return prefix;
    const QStringList candidates = {QStringLiteral("/usr/share/tesseract-ocr/5/tessdata"),
                                    QStringLiteral("/usr/share/tesseract-ocr/4.00/tessdata"),
                                    QStringLiteral("/usr/share/tessdata")};
    for (const QString& candidate : candidates)
        if (!installed(candidate).isEmpty())
            return candidate;
    return candidates.first();
}

} // namespace vellumix::TesseractLanguages
