<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>DarstellungPage</name>
    <message>
        <source>Hintergrundfarbe</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Hintergrundfarbe zweite Zeile</source>
        <translation>Background of second line</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>Logo transparent</source>
        <translation>Logo transparent</translation>
    </message>
    <message>
        <source>Anzahl der Zeilen</source>
        <translation>Number of lines</translation>
    </message>
    <message>
        <source>alle         Sekunden eine leere Zeile einfügen</source>
        <translation>per          seconds
add an empty line</translation>
    </message>
    <message>
        <source>Logo zeigen nach
Sekunden ohne Detektion</source>
        <translation>Show logo after
seconds without detection</translation>
    </message>
    <message>
        <source>transparent als Hintergrund
bei Detektion</source>
        <translation>transparent as background
on detection</translation>
    </message>
    <message>
        <source>nur Ergebnise aus den Feldern</source>
        <translation>only results from the fields</translation>
    </message>
    <message>
        <source>erstes</source>
        <translation>first</translation>
    </message>
    <message>
        <source>letztes</source>
        <translation>last</translation>
    </message>
    <message>
        <source>Einstellungen pro Spalte</source>
        <translation>Settings per column</translation>
    </message>
    <message>
        <source>Vollbild</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>Transparenz Logo</source>
        <translation>Logo transparency</translation>
    </message>
    <message>
        <source>erstes Ergebnisfeld</source>
        <translation>first result field</translation>
    </message>
    <message>
        <source>letztes Ergebnisfeld</source>
        <translation>last result field</translation>
    </message>
    <message>
        <source>Daten für Detektions Zeile</source>
        <translation>Data for detection line</translation>
    </message>
    <message>
        <source>Daten, es können alle Formeln aus Zeitquell verwendet werden (z.Bsp. Startnr,&quot;Team &quot;&amp;&amp;[Verein])</source>
        <translation>Data, any Zeitquell formula can be used (e.g. Startnr,&quot;Team &quot;&amp;&amp;[Verein])</translation>
    </message>
    <message>
        <source>Sekunden bis zur leeren Zeile</source>
        <translation>Seconds until the empty line</translation>
    </message>
    <message>
        <source>Sekunden bis zum Logo</source>
        <translation>Seconds until the logo</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>Die Änderungen an den Einstellungen wurden nicht gespeichert.</source>
        <translation>The changes to the settings have not been saved.</translation>
    </message>
    <message>
        <source>&amp;Zusammenführen</source>
        <translation>&amp;Merge</translation>
    </message>
    <message>
        <source>Ü&amp;berschreiben</source>
        <translation>&amp;Overwrite</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>Layouts (*.vadlayout)</source>
        <translation>Layouts (*.vadlayout)</translation>
    </message>
    <message>
        <source>Alle Dateien (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Layout speichern</source>
        <translation>Save layout</translation>
    </message>
    <message>
        <source>Speichern</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Layout laden</source>
        <translation>Load layout</translation>
    </message>
    <message>
        <source>Laden</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Datei:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>Die Einstellungsdatei hat keine Byte-Order-Mark und wird deshalb in Windows-1252 gespeichert, wie die Anzeige sie liest. Diese Zeichen gibt es dort nicht, sie würden zu „?“: %1

Trotzdem speichern?</source>
        <translation>The settings file has no byte-order mark and is therefore saved in Windows-1252, as the display reads it. Windows-1252 does not have these characters; they would become “?”: %1

Save anyway?</translation>
    </message>
    <message>
        <source>&amp;Trotzdem speichern</source>
        <translation>&amp;Save anyway</translation>
    </message>
</context>
<context>
    <name>DisplayPreview</name>
    <message>
        <source>Vorschau mit Beispieldaten – das Anzeigeprogramm kann im Detail anders aussehen.</source>
        <translation>Preview with sample data – the display program may differ in detail.</translation>
    </message>
    <message>
        <source>Anzeige</source>
        <translation>Display</translation>
    </message>
    <message>
        <source>gezeigt wird „%1“</source>
        <translation>showing “%1”</translation>
    </message>
    <message>
        <source>Keine Schriftart angegeben, </source>
        <translation>No font given, </translation>
    </message>
    <message>
        <source>Die Schriftart „%1“ ist nicht installiert, </source>
        <translation>The font “%1” is not installed, </translation>
    </message>
    <message>
        <source>Ausrichtung</source>
        <translation>Alignment</translation>
    </message>
    <message>
        <source>Fett</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>Schrift größer</source>
        <translation>Larger font</translation>
    </message>
    <message>
        <source>Schrift kleiner</source>
        <translation>Smaller font</translation>
    </message>
    <message>
        <source>Farbe…</source>
        <translation>Colour…</translation>
    </message>
</context>
<context>
    <name>EditHistory</name>
    <message>
        <source>Rückgängig</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Rückgängig (Strg+Z)</source>
        <translation>Undo (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Wiederholen</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Wiederholen (Strg+Umschalt+Z, Strg+Y)</source>
        <translation>Redo (Ctrl+Shift+Z, Ctrl+Y)</translation>
    </message>
</context>
<context>
    <name>FontSizeList</name>
    <message>
        <source>&apos;&apos;%1&apos;&apos; ist kein gültiger Integer-Wert</source>
        <translation>&apos;&apos;%1&apos;&apos; is not a valid integer value</translation>
    </message>
</context>
<context>
    <name>FormatFields</name>
    <message>
        <source>Schriftart</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>Schriftgröße</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>Farbe</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>Fett</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>Ausrichtung</source>
        <translation>Alignment</translation>
    </message>
    <message>
        <source>Anzahl der erwarteten Zeichen</source>
        <translation>Number of expected characters</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>links</source>
        <translation>left</translation>
    </message>
    <message>
        <source>mitte</source>
        <translation>centre</translation>
    </message>
    <message>
        <source>rechts</source>
        <translation>right</translation>
    </message>
</context>
<context>
    <name>LayoutMenu</name>
    <message>
        <source>Das Layout enthält ein Logo. Soll logo.png ersetzt werden?</source>
        <translation>The layout contains a logo. Replace logo.png?</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>Layouts speichern und laden (Strg+Umschalt+S, Strg+O)</source>
        <translation>Save and load layouts (Ctrl+Shift+S, Ctrl+O)</translation>
    </message>
    <message>
        <source>Layout speichern…</source>
        <translation>Save layout…</translation>
    </message>
    <message>
        <source>Layout laden…</source>
        <translation>Load layout…</translation>
    </message>
    <message>
        <source>Eigene Layouts</source>
        <translation>Own layouts</translation>
    </message>
    <message>
        <source>(noch keine gespeichert)</source>
        <translation>(none saved yet)</translation>
    </message>
    <message>
        <source>Mitgelieferte Layouts</source>
        <translation>Supplied layouts</translation>
    </message>
    <message>
        <source>Neues Layout</source>
        <translation>New layout</translation>
    </message>
    <message>
        <source>Im Arbeitsordner liegt ein Logo (logo.png). Soll es im Layout mitgespeichert werden?</source>
        <translation>The working folder holds a logo (logo.png). Save it with the layout?</translation>
    </message>
</context>
<context>
    <name>PreviewCanvas</name>
    <message>
        <source>Überschrift</source>
        <translation>Heading</translation>
    </message>
    <message>
        <source>Startnummern Info</source>
        <translation>Start number info</translation>
    </message>
    <message>
        <source>Zeile</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>%1, Spalte %2</source>
        <translation>%1, column %2</translation>
    </message>
</context>
<context>
    <name>SaveConflict</name>
    <message>
        <source>: Passwort geändert</source>
        <translation>: password changed</translation>
    </message>
    <message>
        <source> – auch im Editor geändert</source>
        <translation> – also changed in the editor</translation>
    </message>
    <message>
        <source>, dort </source>
        <translation>, there </translation>
    </message>
    <message>
        <source>Die Einstellungen in %1 wurden von einem anderen Programm geändert, seit der Editor sie geladen hat.</source>
        <translation>The settings in %1 were changed by another program since the editor loaded them.</translation>
    </message>
    <message>
        <source>Vom anderen Programm geändert:</source>
        <translation>Changed by the other program:</translation>
    </message>
    <message>
        <source>Zusammenführen: Die Änderungen im Editor werden gespeichert, alle anderen Einstellungen behalten die Werte des anderen Programms. Bei auf beiden Seiten geänderten Einstellungen gilt der Wert aus dem Editor.</source>
        <translation>Merge: the changes in the editor are saved, all other settings keep the values of the other program. Where a setting was changed on both sides, the value from the editor wins.</translation>
    </message>
    <message>
        <source>Überschreiben: Alle Einstellungen werden mit den Werten aus dem Editor gespeichert.</source>
        <translation>Overwrite: all settings are saved with the values from the editor.</translation>
    </message>
</context>
<context>
    <name>SettingsController</name>
    <message>
        <source>Das gespeicherte Spaltenformat %1 konnte nicht gelesen werden: der Text ist kein gültiges Spaltenformat. Es bleibt in der Datei erhalten, solange diese Spalten nicht geändert werden.</source>
        <translation>The stored column format %1 could not be read: the text is no valid column format. It stays in the file as long as these columns are not changed.</translation>
    </message>
    <message>
        <source>Die Einstellungen sind noch nicht geladen; Layouts können erst danach geladen oder gespeichert werden</source>
        <translation>The settings are not loaded yet; layouts can be loaded or saved only after that</translation>
    </message>
    <message>
        <source>Die Einstellungen konnten nicht geladen werden. Damit die gespeicherten Einstellungen erhalten bleiben, wird nichts gespeichert</source>
        <translation>The settings could not be loaded. To keep the stored settings, nothing is saved</translation>
    </message>
</context>
<context>
    <name>StartnummernInfoPage</name>
    <message>
        <source>mit Startnummern Info</source>
        <translation>with start number info</translation>
    </message>
    <message>
        <source>Daten für Startnummern Info</source>
        <translation>Data for start number info</translation>
    </message>
    <message>
        <source>Daten, es können alle Formeln aus Zeitquell verwendet werden (z.Bsp. Startnr,&quot;Team &quot;&amp;&amp;[Verein]) \n für neue Zeile</source>
        <translation>Data, any Zeitquell formula can be used (e.g. Startnr,&quot;Team &quot;&amp;&amp;[Verein]) \n for a new line</translation>
    </message>
    <message>
        <source>suche StartNr in Feld</source>
        <translation>find StartNr in field</translation>
    </message>
    <message>
        <source>Feld</source>
        <translation>Field</translation>
    </message>
</context>
<context>
    <name>StateBinding</name>
    <message>
        <source>(Anzahl Spalten = %1)</source>
        <translation>(columns = %1)</translation>
    </message>
</context>
<context>
    <name>Tf_root</name>
    <message>
        <source>speichern + schliessen</source>
        <translation>save + close</translation>
    </message>
    <message>
        <source>Vorschau</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>Vorschau der Anzeige (F5)</source>
        <translation>Preview of the display (F5)</translation>
    </message>
    <message>
        <source>Verbindung</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>Darstellung</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>Überschrift</source>
        <translation>Heading</translation>
    </message>
    <message>
        <source>Startnummern Info</source>
        <translation>Start number info</translation>
    </message>
</context>
<context>
    <name>UeberschriftPage</name>
    <message>
        <source>Überschrift</source>
        <translation>Heading</translation>
    </message>
    <message>
        <source>Überschrift anzeigen</source>
        <translation>Show heading</translation>
    </message>
</context>
<context>
    <name>VerbindungPage</name>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>ZQ Server Name oder IP</source>
        <translation>ZQ server name or IP</translation>
    </message>
    <message>
        <source>lokal</source>
        <translation>local</translation>
    </message>
    <message>
        <source>Kundennummer</source>
        <translation>Customer number</translation>
    </message>
    <message>
        <source>Passwort</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Veranstaltungs Passwort</source>
        <translation>Event password</translation>
    </message>
    <message>
        <source>Passwort (nur wenn gesetzt)</source>
        <translation>Password (only if set)</translation>
    </message>
    <message>
        <source>Veranstaltungs ID</source>
        <translation>Event ID</translation>
    </message>
    <message>
        <source>VA ID (wenn leer dann auto)</source>
        <translation>Event ID (empty: automatic)</translation>
    </message>
    <message>
        <source>wenn die VA ID leer bleibt, wird die erste Veranstaltung auf dem Server genommen</source>
        <translation>if the event ID stays empty, the first event on the server is taken</translation>
    </message>
</context>
</TS>
