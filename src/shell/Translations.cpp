// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vellumix {

QString installTranslations(QCoreApplication& application)
{
    // QLocale() follows LC_ALL, LC_MESSAGES and LANG; its uiLanguages() reads LANGUAGE first.
    // The languages are tried in the user's order, and English, the source, ends the search:
    // LANGUAGE=en:de means English.
    for (const QString& name : QLocale().uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English || language.language() == QLocale::C)
            return {};
        auto* own = new QTranslator(&application);
        if (!own->load(language, QStringLiteral("vellumix"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
            delete own;
            continue;
        }
        QCoreApplication::installTranslator(own);
        auto* qt = new QTranslator(&application);
        if (qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        return own->language();
    }
    return {};
}

} // namespace vellumix
