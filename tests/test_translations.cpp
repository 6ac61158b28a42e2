// SPDX-License-Identifier: GPL-3.0-or-later
// The German catalogue on a private X server: the tray menu and the workspace under LANGUAGE=de,
// and the user's language chosen from the environment by the real binary.
#include "ModelFixture.h"
#include "XvfbSession.h"
#include "platform/toast/Toast.h"
#include "shell/AppDelegate.h"
#include "shell/ShortcutManager.h"
#include "shell/Translations.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

QStringList titles(const QList<QAction*>& actions)
{
    QStringList items;
    for (const QAction* action : actions)
        if (!action->isSeparator())
            items.append(action->text().section(u"    "_s, 0, 0)); // without the shortcut
    return items;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void trayMenuAndWorkspaceAreGerman()
    {
        ModelFixture m;
        m.engine.results.insert(0, recognition(u"Hallo"_s));
        FakeHotKeyBackend hotKeys;
        FakeTaskbar taskbar;
        Toast toast;
        ShortcutManager shortcuts(m.defaults, hotKeys);
        m.defaults.set(AppDelegate::onboardedKey, true);
        AppDelegate delegate(m.model, shortcuts, m.defaults, taskbar, toast);
        delegate.trayAvailable = [] { return true; };
        delegate.launch();

        QCOMPARE(titles(delegate.statusMenu()->actions()),
                 (QStringList{u"Vellumix · Lokale Texterkennung"_s, u"Text erfassen"_s,
                              u"Mehrere Bereiche erfassen"_s, u"Ganzen Bildschirm erfassen"_s,
                              u"Text aus Bild extrahieren…"_s, u"Text aus PDF extrahieren…"_s,
                              u"OCR-Verlauf"_s, u"Arbeitsbereich öffnen"_s, u"Einstellungen…"_s,
                              u"Über Vellumix"_s, u"Vellumix beenden"_s}));

        delegate.showWorkspace();
        QMainWindow* workspace = delegate.workspaceWindow();
        QVERIFY(QTest::qWaitForWindowExposed(workspace));
        QCOMPARE(titles(workspace->menuBar()->actions()),
                 (QStringList{u"Vellumix"_s, u"Datei"_s, u"Bearbeiten"_s, u"Fenster"_s}));
        QStringList buttons;
        for (const QPushButton* button : workspace->findChildren<QPushButton*>())
            buttons.append(button->text());
        for (const QString& german :
             {u"Abbrechen"_s, u"Erkennen"_s, u"Text kopieren"_s, u"Erkennung wiederholen"_s})
            QVERIFY2(buttons.contains(german), qPrintable(buttons.join(u'|')));

        // A recognition: the toast is shown in German, the history keeps the label it stores.
        m.model.processImages({keyed(0)}, Source::MultipleRegions);
        QTRY_COMPARE_WITH_TIMEOUT(m.model.history().entries().size(), qsizetype(1), 5000);
        QVERIFY(toast.panel() && toast.panel()->isVisible());
        QStringList shown;
        for (const QLabel* label : toast.panel()->findChildren<QLabel*>())
            shown.append(label->text());
        QVERIFY2(shown.contains(u"Text in die Zwischenablage kopiert"_s), qPrintable(shown.join(u'|')));
        QCOMPARE(m.model.history().entries().first().source, u"Multiple regions"_s);
        QCOMPARE(m.model.history().entries().first().language, u"Automatic"_s);
        delegate.terminate();
    }

    // The real program's usage under each environment: German, or the English it is written in.
    void languageFollowsTheEnvironment_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("german");
        QTest::newRow("LANGUAGE") << u"LANGUAGE=de LANG=en_US.UTF-8"_s << true;
        QTest::newRow("LANGUAGE list, first we have") << u"LANGUAGE=fr:de_AT LANG=C"_s << true;
        QTest::newRow("English before German") << u"LANGUAGE=en:de LANG=de_DE.UTF-8"_s << false;
        QTest::newRow("LC_MESSAGES over LANG") << u"LC_MESSAGES=en_GB.UTF-8 LANG=de_DE.UTF-8"_s << false;
        QTest::newRow("LC_ALL over LC_MESSAGES") << u"LC_ALL=de_CH.UTF-8 LC_MESSAGES=en_GB.UTF-8"_s << true;
        QTest::newRow("LANG") << u"LANG=de_DE.UTF-8"_s << true;
        QTest::newRow("C") << u"LANG=C"_s << false;
        QTest::newRow("untranslated language") << u"LANG=ja_JP.UTF-8"_s << false;
    }
    void languageFollowsTheEnvironment()
    {
        QFETCH(QString, environment);
        QFETCH(bool, german);
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            variables.remove(QString::fromLatin1(name));
        for (const QString& assignment : environment.split(u' '))
            variables.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
        variables.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess app;
        app.setProcessEnvironment(variables);
        app.start(QStringLiteral(VELLUMIX_BINARY), {u"--help"_s});
        QVERIFY(app.waitForFinished(20000));
        QCOMPARE(app.exitCode(), 0);
        const QString usage = QString::fromUtf8(app.readAllStandardOutput());
        QVERIFY2(usage.startsWith(german ? "Aufruf: vellumix"_L1 : "Usage: vellumix"_L1), qPrintable(usage));
    }
};

int main(int argc, char* argv[])
{
    XvfbSession session({"Xvfb", "openbox"});
    if (!session.isReady())
        return 1;
    // Before the application reads the locale.
    qputenv("LANGUAGE", "de");
    QApplication app(argc, argv);
    if (installTranslations(app) != "de_DE"_L1) {
        std::fprintf(stderr, "The German catalogue was not installed\n");
        return 1;
    }
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_translations.moc"
