<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AutostartEntry</name>
    <message>
        <source>The autostart entry %1 could not be removed: %2</source>
        <translation>Der Autostart-Eintrag %1 konnte nicht entfernt werden: %2</translation>
    </message>
    <message>
        <source>The autostart folder %1 could not be created.</source>
        <translation>Der Autostart-Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The autostart entry %1 could not be written: %2</source>
        <translation>Der Autostart-Eintrag %1 konnte nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>PlatformText</name>
    <message>
        <source>Global shortcuts are unavailable: the X11 connection could not be used.</source>
        <translation>Globale Tastenkürzel sind nicht verfügbar: Die X11-Verbindung konnte nicht genutzt werden.</translation>
    </message>
    <message>
        <source>Global shortcuts need an X11 session; this desktop session has none.</source>
        <translation>Globale Tastenkürzel brauchen eine X11-Sitzung; diese Desktop-Sitzung hat keine.</translation>
    </message>
    <message>
        <source>This Wayland session offers Vellumix no global shortcuts. Bind the command “vellumix capture” to a key in your desktop’s keyboard settings.</source>
        <translation>Diese Wayland-Sitzung bietet Vellumix keine globalen Tastenkürzel. Weisen Sie den Befehl „vellumix capture“ in den Tastatureinstellungen Ihrer Arbeitsumgebung einer Taste zu.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Images and PDF documents (</source>
        <translation>Bilder und PDF-Dokumente (</translation>
    </message>
    <message>
        <source>Open Image or PDF</source>
        <translation>Bild oder PDF öffnen</translation>
    </message>
</context>
<context>
    <name>vellumix::AboutDialog</name>
    <message>
        <source>About Vellumix</source>
        <translation>Über Vellumix</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Private, on-device text recognition.
Built with Tesseract OCR.</source>
        <translation>Private Texterkennung auf diesem Gerät.
Erstellt mit Tesseract OCR.</translation>
    </message>
</context>
<context>
    <name>vellumix::AppDelegate</name>
    <message>
        <source>About Vellumix</source>
        <translation>Über Vellumix</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen…</translation>
    </message>
    <message>
        <source>Quit Vellumix</source>
        <translation>Vellumix beenden</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Open Workspace</source>
        <translation>Arbeitsbereich öffnen</translation>
    </message>
    <message>
        <source>Capture Text</source>
        <translation>Text erfassen</translation>
    </message>
    <message>
        <source>Import Image…</source>
        <translation>Bild importieren…</translation>
    </message>
    <message>
        <source>Import PDF…</source>
        <translation>PDF importieren…</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Fenster</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Capture Multiple Regions</source>
        <translation>Mehrere Bereiche erfassen</translation>
    </message>
    <message>
        <source>Capture Full Screen</source>
        <translation>Ganzen Bildschirm erfassen</translation>
    </message>
    <message>
        <source>Extract Text from Image…</source>
        <translation>Text aus Bild extrahieren…</translation>
    </message>
    <message>
        <source>Extract Text from PDF…</source>
        <translation>Text aus PDF extrahieren…</translation>
    </message>
    <message>
        <source>OCR History</source>
        <translation>OCR-Verlauf</translation>
    </message>
    <message>
        <source>Vellumix · Local OCR</source>
        <translation>Vellumix · Lokale Texterkennung</translation>
    </message>
    <message>
        <source>No system tray is available, so Vellumix keeps its window in the taskbar.</source>
        <translation>Es gibt keinen Infobereich, daher bleibt das Fenster von Vellumix in der Taskleiste.</translation>
    </message>
    <message>
        <source>%1 See Shortcuts in Settings.</source>
        <translation>%1 Siehe „Tastenkürzel“ in den Einstellungen.</translation>
    </message>
    <message>
        <source>Vellumix Settings</source>
        <translation>Vellumix-Einstellungen</translation>
    </message>
    <message>
        <source>Welcome to Vellumix</source>
        <translation>Willkommen bei Vellumix</translation>
    </message>
</context>
<context>
    <name>vellumix::AppModel</name>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>The file “%1” couldn’t be saved: %2</source>
        <translation>Die Datei „%1“ konnte nicht gesichert werden: %2</translation>
    </message>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>Multiple regions</source>
        <translation>Mehrere Bereiche</translation>
    </message>
    <message>
        <source>Full screen</source>
        <translation>Ganzer Bildschirm</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Clipboard image</source>
        <translation>Bild aus der Zwischenablage</translation>
    </message>
    <message>
        <source>Text copied to clipboard</source>
        <translation>Text in die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Text recognized</source>
        <translation>Text erkannt</translation>
    </message>
    <message>
        <source>Searchable PDF exported</source>
        <translation>Durchsuchbares PDF exportiert</translation>
    </message>
    <message>
        <source>The clipboard does not contain a supported image.</source>
        <translation>Die Zwischenablage enthält kein unterstütztes Bild.</translation>
    </message>
    <message>
        <source>PDF processing cancelled.</source>
        <translation>PDF-Verarbeitung abgebrochen.</translation>
    </message>
    <message>
        <source>Recognize the pages before exporting a searchable PDF.</source>
        <translation>Lassen Sie die Seiten erkennen, bevor Sie ein durchsuchbares PDF exportieren.</translation>
    </message>
</context>
<context>
    <name>vellumix::Error</name>
    <message>
        <source>Screenshot capture failed (%1): %2</source>
        <translation>Bildschirmaufnahme fehlgeschlagen (%1): %2</translation>
    </message>
    <message>
        <source>No image was produced.</source>
        <translation>Es wurde kein Bild erzeugt.</translation>
    </message>
    <message>
        <source>This file could not be decoded as an image.</source>
        <translation>Diese Datei konnte nicht als Bild gelesen werden.</translation>
    </message>
    <message>
        <source>No readable text was found. Your clipboard has not changed.</source>
        <translation>Es wurde kein lesbarer Text gefunden. Ihre Zwischenablage ist unverändert.</translation>
    </message>
    <message>
        <source>The desktop denied this capture. Allow Vellumix to capture the screen in your desktop&apos;s privacy settings, then try again.</source>
        <translation>Die Arbeitsumgebung hat diese Aufnahme verweigert. Erlauben Sie Vellumix in den Datenschutzeinstellungen Ihrer Arbeitsumgebung, den Bildschirm aufzunehmen, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The display could not be captured. Check that your desktop allows screen capture.</source>
        <translation>Der Bildschirm konnte nicht aufgenommen werden. Prüfen Sie, ob Ihre Arbeitsumgebung Bildschirmaufnahmen erlaubt.</translation>
    </message>
    <message>
        <source>This input exceeds the 250 MB file or 80 megapixel image safety limit.</source>
        <translation>Diese Eingabe überschreitet die Sicherheitsgrenze von 250 MB pro Datei oder 80 Megapixeln pro Bild.</translation>
    </message>
    <message>
        <source>Choose a valid page range within this document.</source>
        <translation>Wählen Sie einen gültigen Seitenbereich in diesem Dokument.</translation>
    </message>
</context>
<context>
    <name>vellumix::FileDialogs</name>
    <message>
        <source>Images (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>PDF documents (%1)</source>
        <translation>PDF-Dokumente (%1)</translation>
    </message>
    <message>
        <source>Markdown (%1)</source>
        <translation>Markdown (%1)</translation>
    </message>
    <message>
        <source>Plain text (%1)</source>
        <translation>Reiner Text (%1)</translation>
    </message>
    <message>
        <source>Import PDF</source>
        <translation>PDF importieren</translation>
    </message>
    <message>
        <source>Import Image</source>
        <translation>Bild importieren</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
</context>
<context>
    <name>vellumix::HistoryEntry</name>
    <message>
        <source>The entry has no &quot;%1&quot;.</source>
        <translation>Dem Eintrag fehlt „%1“.</translation>
    </message>
    <message>
        <source>The entry&apos;s &quot;%1&quot; has the wrong type.</source>
        <translation>„%1“ des Eintrags hat den falschen Typ.</translation>
    </message>
    <message>
        <source>The entry&apos;s &quot;id&quot; is not a valid UUID.</source>
        <translation>Die „id“ des Eintrags ist keine gültige UUID.</translation>
    </message>
    <message>
        <source>The entry&apos;s &quot;imageName&quot; has the wrong type.</source>
        <translation>Der „imageName“ des Eintrags hat den falschen Typ.</translation>
    </message>
    <message>
        <source>The entry&apos;s &quot;imageName&quot; is not an image name.</source>
        <translation>Der „imageName“ des Eintrags ist kein Bildname.</translation>
    </message>
</context>
<context>
    <name>vellumix::HistoryStore</name>
    <message>
        <source>%1 at offset %2.</source>
        <translation>%1 an Position %2.</translation>
    </message>
    <message>
        <source>The file does not hold a list of entries.</source>
        <translation>Die Datei enthält keine Liste von Einträgen.</translation>
    </message>
    <message>
        <source>Entry %1 is not an object.</source>
        <translation>Eintrag %1 ist kein Objekt.</translation>
    </message>
    <message>
        <source>Entry %1: %2</source>
        <translation>Eintrag %1: %2</translation>
    </message>
    <message>
        <source>No folder for application data was found.</source>
        <translation>Es wurde kein Ordner für Anwendungsdaten gefunden.</translation>
    </message>
    <message>
        <source> The unreadable file was kept as &quot;%1&quot;.</source>
        <translation> Die unlesbare Datei wurde als „%1“ aufbewahrt.</translation>
    </message>
    <message>
        <source> The file could not be moved aside, so it is left untouched and history is not saved until restart.</source>
        <translation> Die Datei konnte nicht beiseitegelegt werden; sie bleibt unverändert, und der Verlauf wird bis zum Neustart nicht gesichert.</translation>
    </message>
    <message>
        <source>History could not be loaded: </source>
        <translation>Der Verlauf konnte nicht geladen werden: </translation>
    </message>
</context>
<context>
    <name>vellumix::InstanceRequest</name>
    <message>
        <source>Usage: vellumix [FILE | capture [--multiple | --full] | workspace]
  (no argument)        start Vellumix, or show the running one&apos;s workspace
  FILE                 recognise an image file, or open a PDF
  capture              capture one region of the screen
  capture --multiple   capture several regions
  capture --full       capture the full screen
  workspace            show the workspace window
</source>
        <translation>Aufruf: vellumix [DATEI | capture [--multiple | --full] | workspace]
  (kein Argument)      Vellumix starten oder den Arbeitsbereich des laufenden zeigen
  DATEI                eine Bilddatei erkennen oder ein PDF öffnen
  capture              einen Bereich des Bildschirms erfassen
  capture --multiple   mehrere Bereiche erfassen
  capture --full       den ganzen Bildschirm erfassen
  workspace            das Fenster des Arbeitsbereichs zeigen
</translation>
    </message>
</context>
<context>
    <name>vellumix::OnboardingView</name>
    <message>
        <source>Welcome to Vellumix</source>
        <translation>Willkommen bei Vellumix</translation>
    </message>
    <message>
        <source>Select any text on your screen, recognize it privately on this computer, and paste it anywhere.</source>
        <translation>Wählen Sie beliebigen Text auf dem Bildschirm aus, lassen Sie ihn privat auf diesem Computer erkennen und fügen Sie ihn überall ein.</translation>
    </message>
    <message>
        <source>Allow screen capture</source>
        <translation>Bildschirmaufnahme erlauben</translation>
    </message>
    <message>
        <source>On Wayland desktops, Vellumix asks your desktop for permission to capture the screen. Images and PDFs work without this permission. Some desktops apply a new permission only after Vellumix restarts.</source>
        <translation>Auf Wayland-Desktops bittet Vellumix Ihren Desktop um die Erlaubnis, den Bildschirm aufzunehmen. Bilder und PDFs funktionieren ohne diese Erlaubnis. Manche Desktops wenden eine neue Erlaubnis erst nach einem Neustart von Vellumix an.</translation>
    </message>
    <message>
        <source>A shortcut to your text</source>
        <translation>Ein Tastenkürzel zu Ihrem Text</translation>
    </message>
    <message>
        <source>Ready when you are</source>
        <translation>Bereit, wenn Sie es sind</translation>
    </message>
    <message>
        <source>You can optionally launch Vellumix at login. It runs quietly in the system tray.</source>
        <translation>Sie können Vellumix auf Wunsch bei der Anmeldung starten. Es läuft unauffällig im Infobereich.</translation>
    </message>
    <message>
        <source>Try your first capture</source>
        <translation>Probieren Sie Ihre erste Aufnahme</translation>
    </message>
    <message>
        <source>Capture a small region containing clear text. Escape cancels. Recognized text is copied automatically by default.</source>
        <translation>Nehmen Sie einen kleinen Bereich mit gut lesbarem Text auf. Escape bricht ab. Erkannter Text wird standardmäßig automatisch kopiert.</translation>
    </message>
    <message>
        <source>All set</source>
        <translation>Alles bereit</translation>
    </message>
    <message>
        <source>Find Vellumix in your system tray. Close any window and it stays ready for your next capture.</source>
        <translation>Sie finden Vellumix im Infobereich. Schließen Sie ein beliebiges Fenster, es bleibt für Ihre nächste Aufnahme bereit.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Use %1 from any app. You can record a different shortcut in Settings.</source>
        <translation>Verwenden Sie %1 in jeder Anwendung. In den Einstellungen können Sie ein anderes Tastenkürzel aufnehmen.</translation>
    </message>
    <message>
        <source>Request Permission</source>
        <translation>Erlaubnis anfordern</translation>
    </message>
    <message>
        <source>System Settings</source>
        <translation>Systemeinstellungen</translation>
    </message>
    <message>
        <source>Your desktop asks for permission at the first capture.</source>
        <translation>Ihr Desktop fragt bei der ersten Aufnahme um Erlaubnis.</translation>
    </message>
    <message>
        <source>This X11 session lets Vellumix capture the screen already.</source>
        <translation>Diese X11-Sitzung erlaubt Vellumix bereits, den Bildschirm aufzunehmen.</translation>
    </message>
    <message>
        <source>Configure Shortcuts</source>
        <translation>Tastenkürzel einrichten</translation>
    </message>
    <message>
        <source>Enable Launch at Login</source>
        <translation>Start bei Anmeldung aktivieren</translation>
    </message>
    <message>
        <source>Test Capture</source>
        <translation>Aufnahme testen</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Start Using Vellumix</source>
        <translation>Vellumix verwenden</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>vellumix::Records</name>
    <message>
        <source>The data couldn&apos;t be read because the value for &quot;%1&quot; is missing or of the wrong type.</source>
        <translation>Die Daten konnten nicht gelesen werden, weil der Wert für „%1“ fehlt oder den falschen Typ hat.</translation>
    </message>
    <message>
        <source>The data couldn&apos;t be read because &quot;%1&quot; is not a valid UUID.</source>
        <translation>Die Daten konnten nicht gelesen werden, weil „%1“ keine gültige UUID ist.</translation>
    </message>
</context>
<context>
    <name>vellumix::SearchablePDF</name>
    <message>
        <source>The file “%1” couldn’t be saved: %2</source>
        <translation>Die Datei „%1“ konnte nicht gesichert werden: %2</translation>
    </message>
    <message>
        <source>It is not a regular file.</source>
        <translation>Das Ziel ist keine reguläre Datei.</translation>
    </message>
</context>
<context>
    <name>vellumix::SelectionView</name>
    <message>
        <source>Finish</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>%1 regions • Drag to add • Return to finish • Ctrl+Z to undo • Esc to cancel</source>
        <translation>%1 Bereiche • Ziehen zum Hinzufügen • Eingabe zum Beenden • Strg+Z zum Rückgängigmachen • Esc zum Abbrechen</translation>
    </message>
</context>
<context>
    <name>vellumix::SettingsView</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>OCR</source>
        <translation>Texterkennung</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Erscheinungsbild</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Launch at login</source>
        <translation>Bei Anmeldung starten</translation>
    </message>
    <message>
        <source>Show tray icon</source>
        <translation>Symbol im Infobereich anzeigen</translation>
    </message>
    <message>
        <source>Show in taskbar</source>
        <translation>In der Taskleiste anzeigen</translation>
    </message>
    <message>
        <source>At least one of the tray icon or the taskbar entry stays visible so you can reopen Vellumix.</source>
        <translation>Mindestens das Symbol im Infobereich oder der Eintrag in der Taskleiste bleibt sichtbar, damit Sie Vellumix wieder öffnen können.</translation>
    </message>
    <message>
        <source>Start minimized</source>
        <translation>Minimiert starten</translation>
    </message>
    <message>
        <source>Show completion confirmations</source>
        <translation>Bestätigungen nach Abschluss anzeigen</translation>
    </message>
    <message>
        <source>Vellumix starts in the system tray and keeps running when windows close.</source>
        <translation>Vellumix startet im Infobereich und läuft weiter, wenn Fenster geschlossen werden.</translation>
    </message>
    <message>
        <source>Play completion sound</source>
        <translation>Ton nach Abschluss abspielen</translation>
    </message>
    <message>
        <source>Capture behavior</source>
        <translation>Aufnahmeverhalten</translation>
    </message>
    <message>
        <source>Default mode</source>
        <translation>Standardmodus</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>Bereich</translation>
    </message>
    <message>
        <source>Multiple regions</source>
        <translation>Mehrere Bereiche</translation>
    </message>
    <message>
        <source>Full screen</source>
        <translation>Ganzer Bildschirm</translation>
    </message>
    <message>
        <source>After recognition</source>
        <translation>Nach der Erkennung</translation>
    </message>
    <message>
        <source>Copy text automatically</source>
        <translation>Text automatisch kopieren</translation>
    </message>
    <message>
        <source>Open workspace automatically</source>
        <translation>Arbeitsbereich automatisch öffnen</translation>
    </message>
    <message>
        <source>Captures are initiated only by you. Each display has its own selection overlay; regions cannot cross display boundaries.</source>
        <translation>Aufnahmen starten nur auf Ihre Veranlassung. Jeder Bildschirm hat seine eigene Auswahlebene; Bereiche können nicht über Bildschirmgrenzen reichen.</translation>
    </message>
    <message>
        <source>Separator (literal characters)</source>
        <translation>Trennzeichen (wörtlich)</translation>
    </message>
    <message>
        <source>Return finishes the selection; Ctrl+Z undoes the last region.</source>
        <translation>Eingabe beendet die Auswahl; Strg+Z nimmt den letzten Bereich zurück.</translation>
    </message>
    <message>
        <source>Open Screen Capture Settings</source>
        <translation>Einstellungen zur Bildschirmaufnahme öffnen</translation>
    </message>
    <message>
        <source>, Simplified</source>
        <translation>, vereinfacht</translation>
    </message>
    <message>
        <source>, Traditional</source>
        <translation>, traditionell</translation>
    </message>
    <message>
        <source>Tesseract</source>
        <translation>Tesseract</translation>
    </message>
    <message>
        <source>Fast recognition</source>
        <translation>Schnelle Erkennung</translation>
    </message>
    <message>
        <source>Automatic language detection</source>
        <translation>Sprache automatisch erkennen</translation>
    </message>
    <message>
        <source>Preserve line breaks and code formatting</source>
        <translation>Zeilenumbrüche und Codeformatierung beibehalten</translation>
    </message>
    <message>
        <source>Language identifiers, comma-separated</source>
        <translation>Sprachkennungen, durch Kommas getrennt</translation>
    </message>
    <message>
        <source>Available: </source>
        <translation>Verfügbar: </translation>
    </message>
    <message>
        <source>Custom vocabulary · one word or phrase per line</source>
        <translation>Eigener Wortschatz · ein Wort oder Ausdruck pro Zeile</translation>
    </message>
    <message>
        <source>Explicit text transformations</source>
        <translation>Ausdrückliche Textumwandlungen</translation>
    </message>
    <message>
        <source>Normalize Unicode (NFC)</source>
        <translation>Unicode normalisieren (NFC)</translation>
    </message>
    <message>
        <source>Replace smart quotes</source>
        <translation>Typografische Anführungszeichen ersetzen</translation>
    </message>
    <message>
        <source>Literal replacements: find =&gt; replace, one per line</source>
        <translation>Wörtliche Ersetzungen: suchen =&gt; ersetzen, eine pro Zeile</translation>
    </message>
    <message>
        <source>Capture region: vellumix capture
Capture multiple regions: vellumix capture --multiple
Capture full screen: vellumix capture --full
Open workspace: vellumix workspace</source>
        <translation>Bereich aufnehmen: vellumix capture
Mehrere Bereiche aufnehmen: vellumix capture --multiple
Ganzen Bildschirm aufnehmen: vellumix capture --full
Arbeitsbereich öffnen: vellumix workspace</translation>
    </message>
    <message>
        <source>Global shortcuts</source>
        <translation>Globale Tastenkürzel</translation>
    </message>
    <message>
        <source>Capture region</source>
        <translation>Bereich aufnehmen</translation>
    </message>
    <message>
        <source>Capture multiple regions</source>
        <translation>Mehrere Bereiche aufnehmen</translation>
    </message>
    <message>
        <source>Open history</source>
        <translation>Verlauf öffnen</translation>
    </message>
    <message>
        <source>Open workspace</source>
        <translation>Arbeitsbereich öffnen</translation>
    </message>
    <message>
        <source>Restore Shortcut Defaults</source>
        <translation>Standard-Tastenkürzel wiederherstellen</translation>
    </message>
    <message>
        <source>Other apps may reserve shortcuts without exposing them. Registration failures are reported; test your chosen combination. No keystroke monitoring is used.</source>
        <translation>Andere Anwendungen können Tastenkürzel belegen, ohne es anzuzeigen. Fehler bei der Registrierung werden gemeldet; testen Sie die gewählte Kombination. Tastatureingaben werden nicht überwacht.</translation>
    </message>
    <message>
        <source>Bind in your desktop&apos;s keyboard settings</source>
        <translation>In den Tastatureinstellungen Ihres Desktops zuweisen</translation>
    </message>
    <message>
        <source>This desktop does not let applications register shortcuts. Add these commands as custom shortcuts in your desktop&apos;s keyboard settings:</source>
        <translation>Dieser Desktop erlaubt Anwendungen nicht, Tastenkürzel zu registrieren. Fügen Sie diese Befehle in den Tastatureinstellungen Ihres Desktops als eigene Tastenkürzel hinzu:</translation>
    </message>
    <message>
        <source>Copy Commands</source>
        <translation>Befehle kopieren</translation>
    </message>
    <message>
        <source>Press shortcut…</source>
        <translation>Tastenkürzel drücken…</translation>
    </message>
    <message>
        <source>Local storage</source>
        <translation>Lokale Speicherung</translation>
    </message>
    <message>
        <source>Enable OCR history</source>
        <translation>OCR-Verlauf aktivieren</translation>
    </message>
    <message>
        <source>Retain captured images</source>
        <translation>Aufgenommene Bilder behalten</translation>
    </message>
    <message>
        <source>7 days</source>
        <translation>7 Tage</translation>
    </message>
    <message>
        <source>30 days</source>
        <translation>30 Tage</translation>
    </message>
    <message>
        <source>90 days</source>
        <translation>90 Tage</translation>
    </message>
    <message>
        <source>1 year</source>
        <translation>1 Jahr</translation>
    </message>
    <message>
        <source>Retention</source>
        <translation>Aufbewahrung</translation>
    </message>
    <message>
        <source>Up to 500 entries and 200 MB of images. Screenshots are discarded unless retention is enabled. Disable retention to delete stored images immediately.</source>
        <translation>Bis zu 500 Einträge und 200 MB an Bildern. Bildschirmfotos werden verworfen, sofern das Behalten nicht aktiviert ist. Deaktivieren Sie das Behalten, um gespeicherte Bilder sofort zu löschen.</translation>
    </message>
    <message>
        <source>Clear All History…</source>
        <translation>Gesamten Verlauf löschen…</translation>
    </message>
    <message>
        <source>Delete all history?</source>
        <translation>Gesamten Verlauf löschen?</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>Alle löschen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Theme</source>
        <translation>Design</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Accent</source>
        <translation>Akzentfarbe</translation>
    </message>
    <message>
        <source>Mint</source>
        <translation>Mint</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Violett</translation>
    </message>
    <message>
        <source>Vellumix uses native system materials.</source>
        <translation>Vellumix verwendet die Gestaltung des Systems.</translation>
    </message>
    <message>
        <source>Local AI OCR</source>
        <translation>Lokale KI-Texterkennung</translation>
    </message>
    <message>
        <source>Not installed or integrated</source>
        <translation>Nicht installiert oder eingebunden</translation>
    </message>
    <message>
        <source>Tesseract is the only available engine. A second local engine requires a compatible licensed runtime and model, deployment testing, and measured resource usage before it can be offered.</source>
        <translation>Tesseract ist die einzige verfügbare Engine. Eine zweite lokale Engine erfordert eine kompatible lizenzierte Laufzeitumgebung und ein Modell, Tests im Einsatz und gemessenen Ressourcenbedarf, bevor sie angeboten werden kann.</translation>
    </message>
    <message>
        <source>Application data</source>
        <translation>Anwendungsdaten</translation>
    </message>
    <message>
        <source>Open Application Data Folder</source>
        <translation>Anwendungsdatenordner öffnen</translation>
    </message>
    <message>
        <source>Reset Preferences</source>
        <translation>Einstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>No network requests, analytics, or captured-content logging are implemented.</source>
        <translation>Es gibt keine Netzwerkanfragen, keine Analyse und keine Protokollierung aufgenommener Inhalte.</translation>
    </message>
    <message>
        <source>Change in Desktop Settings…</source>
        <translation>In den Desktop-Einstellungen ändern…</translation>
    </message>
    <message>
        <source>Not bound</source>
        <translation>Nicht zugewiesen</translation>
    </message>
</context>
<context>
    <name>vellumix::ShortcutManager</name>
    <message>
        <source>That shortcut is already assigned in Vellumix.</source>
        <translation>Dieses Tastenkürzel ist in Vellumix bereits vergeben.</translation>
    </message>
    <message>
        <source>Shortcut %1 could not be registered (%2). Choose a different combination.</source>
        <translation>Das Tastenkürzel %1 konnte nicht registriert werden (%2). Wählen Sie eine andere Kombination.</translation>
    </message>
    <message>
        <source>Use Ctrl or Super with a non-reserved key. Console-switching and screen-lock shortcuts are reserved.</source>
        <translation>Verwenden Sie Strg oder Super mit einer nicht reservierten Taste. Kürzel zum Wechseln der Konsole und zum Sperren des Bildschirms sind reserviert.</translation>
    </message>
    <message>
        <source>Another program holds this combination (BadAccess).</source>
        <translation>Ein anderes Programm belegt diese Kombination (BadAccess).</translation>
    </message>
    <message>
        <source>Could not be registered (%1).</source>
        <translation>Konnte nicht registriert werden (%1).</translation>
    </message>
    <message>
        <source>Capture text from a region of the screen</source>
        <translation>Text aus einem Bildschirmbereich erfassen</translation>
    </message>
    <message>
        <source>Capture text from several regions of the screen</source>
        <translation>Text aus mehreren Bildschirmbereichen erfassen</translation>
    </message>
    <message>
        <source>Show the OCR history</source>
        <translation>OCR-Verlauf anzeigen</translation>
    </message>
    <message>
        <source>Show the Vellumix workspace</source>
        <translation>Vellumix-Arbeitsbereich anzeigen</translation>
    </message>
    <message>
        <source>The desktop did not bind this shortcut.</source>
        <translation>Die Arbeitsumgebung hat dieses Tastenkürzel nicht zugewiesen.</translation>
    </message>
</context>
<context>
    <name>vellumix::TesseractEngine</name>
    <message>
        <source>“%1” is not a recognition language.</source>
        <translation>„%1“ ist keine Erkennungssprache.</translation>
    </message>
    <message>
        <source>The recognition language “%1” is not installed (Debian package tesseract-ocr-%2).</source>
        <translation>Die Erkennungssprache „%1“ ist nicht installiert (Debian-Paket tesseract-ocr-%2).</translation>
    </message>
    <message>
        <source>No Tesseract language data was found in %1.</source>
        <translation>In %1 wurden keine Tesseract-Sprachdaten gefunden.</translation>
    </message>
    <message>
        <source>Tesseract could not load the language data “%1” from %2.</source>
        <translation>Tesseract konnte die Sprachdaten „%1“ aus %2 nicht laden.</translation>
    </message>
    <message>
        <source>Tesseract could not recognise this image.</source>
        <translation>Tesseract konnte dieses Bild nicht erkennen.</translation>
    </message>
</context>
<context>
    <name>vellumix::WorkspaceDetail</name>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Import Image…</source>
        <translation>Bild importieren…</translation>
    </message>
    <message>
        <source>Import PDF…</source>
        <translation>PDF importieren…</translation>
    </message>
    <message>
        <source>Paste Image</source>
        <translation>Bild einfügen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Processing locally…</source>
        <translation>Lokale Verarbeitung…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Select. Recognize. Paste.</source>
        <translation>Auswählen. Erkennen. Einfügen.</translation>
    </message>
    <message>
        <source>Tesseract reads text privately on this computer.
Your clipboard is ready as soon as recognition finishes.</source>
        <translation>Tesseract liest Text privat auf diesem Computer.
Ihre Zwischenablage ist bereit, sobald die Erkennung fertig ist.</translation>
    </message>
    <message>
        <source>Tip: drop an image or PDF anywhere in this window.</source>
        <translation>Tipp: Ziehen Sie ein Bild oder PDF an eine beliebige Stelle dieses Fensters.</translation>
    </message>
    <message>
        <source>Capture a Region</source>
        <translation>Bereich erfassen</translation>
    </message>
    <message>
        <source>Open Image or PDF…</source>
        <translation>Bild oder PDF öffnen…</translation>
    </message>
    <message>
        <source>Source image</source>
        <translation>Quellbild</translation>
    </message>
    <message>
        <source>PDF preview</source>
        <translation>PDF-Vorschau</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Recognize</source>
        <translation>Erkennen</translation>
    </message>
    <message>
        <source>EXTRACTED TEXT</source>
        <translation>EXTRAHIERTER TEXT</translation>
    </message>
    <message>
        <source>Find in result</source>
        <translation>Im Ergebnis suchen</translation>
    </message>
    <message>
        <source>Extracted text</source>
        <translation>Extrahierter Text</translation>
    </message>
    <message>
        <source>Preserve Lines</source>
        <translation>Zeilen beibehalten</translation>
    </message>
    <message>
        <source>Clean Paragraphs</source>
        <translation>Absätze bereinigen</translation>
    </message>
    <message>
        <source>Save Edits</source>
        <translation>Änderungen sichern</translation>
    </message>
    <message>
        <source>Retry OCR</source>
        <translation>Erkennung wiederholen</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Plain Text (.txt)</source>
        <translation>Reiner Text (.txt)</translation>
    </message>
    <message>
        <source>Markdown (.md)</source>
        <translation>Markdown (.md)</translation>
    </message>
    <message>
        <source>Searchable PDF (original OCR)…</source>
        <translation>Durchsuchbares PDF (ursprüngliche Erkennung)…</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>% confidence · </source>
        <translation> % Sicherheit · </translation>
    </message>
    <message>
        <source>s · </source>
        <translation> s · </translation>
    </message>
    <message>
        <source>Automatic language</source>
        <translation>Automatische Sprache</translation>
    </message>
    <message>
        <source> exact matches</source>
        <translation> genaue Treffer</translation>
    </message>
    <message>
        <source>Your text, unlocked.</source>
        <translation>Ihr Text, freigelegt.</translation>
    </message>
    <message>
        <source>Recognition result</source>
        <translation>Erkennungsergebnis</translation>
    </message>
    <message>
        <source>Capture a region or import a document to get started.</source>
        <translation>Erfassen Sie einen Bereich oder importieren Sie ein Dokument, um zu beginnen.</translation>
    </message>
    <message>
        <source> characters</source>
        <translation> Zeichen</translation>
    </message>
    <message>
        <source>of </source>
        <translation>von </translation>
    </message>
    <message>
        <source>QR &amp; barcode values</source>
        <translation>QR- und Barcode-Werte</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Open URL</source>
        <translation>URL öffnen</translation>
    </message>
</context>
<context>
    <name>vellumix::WorkspaceView</name>
    <message>
        <source>Capture Text</source>
        <translation>Text erfassen</translation>
    </message>
    <message>
        <source>HISTORY</source>
        <translation>VERLAUF</translation>
    </message>
    <message>
        <source>Number of entries</source>
        <translation>Anzahl der Einträge</translation>
    </message>
    <message>
        <source>Search history</source>
        <translation>Verlauf durchsuchen</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>On-device OCR</source>
        <translation>Texterkennung auf dem Gerät</translation>
    </message>
    <message>
        <source>Clear all history</source>
        <translation>Gesamten Verlauf löschen</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Export Text…</source>
        <translation>Text exportieren…</translation>
    </message>
    <message>
        <source>Rename…</source>
        <translation>Umbenennen…</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Rename entry</source>
        <translation>Eintrag umbenennen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Delete all OCR history?</source>
        <translation>Gesamten OCR-Verlauf löschen?</translation>
    </message>
    <message>
        <source>This removes stored text and retained screenshots from this computer.</source>
        <translation>Dadurch werden gespeicherte Texte und aufbewahrte Bildschirmfotos von diesem Computer entfernt.</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>Alle löschen</translation>
    </message>
    <message>
        <source>Delete this entry?</source>
        <translation>Diesen Eintrag löschen?</translation>
    </message>
</context>
</TS>
