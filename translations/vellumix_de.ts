<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
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
    <name>vellumix::ResultPane</name>
    <message>
        <source>Recognise Pages</source>
        <translation>Seiten erkennen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
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
</TS>
