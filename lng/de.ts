<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppSettingsWidget</name>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Autorun</source>
        <translation>Autostart</translation>
    </message>
    <message>
        <source>Minimize on close</source>
        <translation>Beim Schließen minimieren</translation>
    </message>
    <message>
        <source>Use styles </source>
        <translation>Stile verwenden </translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Common serial port</source>
        <translation>Gemeinsame serielle Schnittstelle</translation>
    </message>
    <message>
        <source>Port name</source>
        <translation>Portname</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>Verfügbar</translation>
    </message>
    <message>
        <source>Qt version: </source>
        <translation>Qt-Version: </translation>
    </message>
</context>
<context>
    <name>AxObject</name>
    <message>
        <source>%1 ended with status %2</source>
        <translation>%1 endete mit Status %2</translation>
    </message>
    <message>
        <source>%1 crashed</source>
        <translation>%1 ist abgestürzt</translation>
    </message>
</context>
<context>
    <name>JournalFilter</name>
    <message>
        <source>Filters</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>By date and time</source>
        <translation>Nach Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Begin:</source>
        <translation>Beginn:</translation>
    </message>
    <message>
        <source>End:</source>
        <translation>Ende:</translation>
    </message>
    <message>
        <source>By level</source>
        <translation>Nach Stufe</translation>
    </message>
    <message>
        <source>Without level</source>
        <translation>Ohne Stufe</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Critical</source>
        <translation>Kritisch</translation>
    </message>
    <message>
        <source>By sourse name</source>
        <translation>Nach Quellname</translation>
    </message>
</context>
<context>
    <name>JournalModel</name>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Uhrzeit</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
    <message>
        <source>The entries were written to %1</source>
        <translation>Die Einträge wurden in %1 geschrieben</translation>
    </message>
    <message>
        <source>The workbook %1 could not be opened: %2</source>
        <translation>Die Arbeitsmappe %1 konnte nicht geöffnet werden: %2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Journal</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Max rows</source>
        <translation>Max. Zeilen</translation>
    </message>
    <message>
        <source>Save to file</source>
        <translation>In Datei speichern</translation>
    </message>
    <message>
        <source>Auto scroll</source>
        <translation>Automatisch scrollen</translation>
    </message>
    <message>
        <source>Clear journal</source>
        <translation>Journal leeren</translation>
    </message>
    <message>
        <source>To Excel</source>
        <translation>Nach Excel</translation>
    </message>
    <message>
        <source>Program started</source>
        <translation>Programm gestartet</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Widgets</source>
        <translation>Widgets</translation>
    </message>
    <message>
        <source>Users</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Program closed</source>
        <translation>Programm beendet</translation>
    </message>
    <message>
        <source>Make new group</source>
        <translation>Neue Gruppe anlegen</translation>
    </message>
    <message>
        <source>Group name</source>
        <translation>Gruppenname</translation>
    </message>
    <message>
        <source>New Group</source>
        <translation>Neue Gruppe</translation>
    </message>
    <message>
        <source>String is empty</source>
        <translation>Die Eingabe ist leer</translation>
    </message>
    <message>
        <source>Name is busy</source>
        <translation>Der Name ist vergeben</translation>
    </message>
    <message>
        <source>Group &lt;%1&gt; deleted</source>
        <translation>Gruppe &lt;%1&gt; gelöscht</translation>
    </message>
    <message>
        <source>Make new widget</source>
        <translation>Neues Widget anlegen</translation>
    </message>
    <message>
        <source>Widget ID</source>
        <translation>Widget-ID</translation>
    </message>
    <message>
        <source>NewWidget</source>
        <translation>NeuesWidget</translation>
    </message>
    <message>
        <source>ID is busy</source>
        <translation>Die ID ist vergeben</translation>
    </message>
    <message>
        <source>Modules</source>
        <translation>Module</translation>
    </message>
    <message>
        <source>New module</source>
        <translation>Neues Modul</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>The settings file could not be read and is kept as %1; the defaults are used</source>
        <translation>Die Einstellungsdatei war nicht lesbar und wurde als %1 aufbewahrt; es gelten die Standardwerte</translation>
    </message>
    <message>
        <source>Could not save %1: %2</source>
        <translation>%1 konnte nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>%1: the entries %2 under [groups] hold no group and are left out; the file as it was could not be kept</source>
        <translation>%1: Die Einträge %2 unter [groups] enthalten keine Gruppe und werden ausgelassen; die ursprüngliche Datei konnte nicht aufbewahrt werden</translation>
    </message>
    <message>
        <source>%1: the entries %2 under [groups] hold no group and are left out; the file as it was is kept as %3</source>
        <translation>%1: Die Einträge %2 unter [groups] enthalten keine Gruppe und werden ausgelassen; die ursprüngliche Datei wurde als %3 aufbewahrt</translation>
    </message>
    <message>
        <source>%1 holds values of the wrong type; they were read converted, but the file as it was could not be kept</source>
        <translation>%1 enthält Werte falschen Typs; sie wurden umgewandelt gelesen, aber die ursprüngliche Datei konnte nicht aufbewahrt werden</translation>
    </message>
    <message>
        <source>%1 holds values of the wrong type; they were read converted and the file as it was is kept as %2</source>
        <translation>%1 enthält Werte falschen Typs; sie wurden umgewandelt gelesen, und die ursprüngliche Datei wurde als %2 aufbewahrt</translation>
    </message>
    <message>
        <source>%1 could not be read and could not be set aside</source>
        <translation>%1 war nicht lesbar und konnte nicht beiseitegelegt werden</translation>
    </message>
    <message>
        <source>%1 could not be read and is kept as %2</source>
        <translation>%1 war nicht lesbar und wurde als %2 aufbewahrt</translation>
    </message>
    <message>
        <source>%1 could not be read; no widget is made from it and the file is left as it is</source>
        <translation>%1 war nicht lesbar; daraus wird kein Widget erzeugt, und die Datei bleibt unverändert</translation>
    </message>
</context>
<context>
    <name>UserSettingsDialogServicesDelegate</name>
    <message>
        <source>Not allowed</source>
        <translation>Nicht erlaubt</translation>
    </message>
    <message>
        <source>Read only</source>
        <translation>Nur lesen</translation>
    </message>
    <message>
        <source>Read and write</source>
        <translation>Lesen und schreiben</translation>
    </message>
</context>
<context>
    <name>UserSettingsDialogServicesModel</name>
    <message>
        <source>Group name</source>
        <translation>Gruppenname</translation>
    </message>
    <message>
        <source>Access type</source>
        <translation>Zugriffsart</translation>
    </message>
</context>
<context>
    <name>UsersSettingsDialog</name>
    <message>
        <source>Information</source>
        <translation>Angaben</translation>
    </message>
    <message>
        <source>Full name</source>
        <translation>Vollständiger Name</translation>
    </message>
    <message>
        <source>Post</source>
        <translation>Stelle</translation>
    </message>
    <message>
        <source>User name</source>
        <translation>Benutzername</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>Phone</source>
        <translation>Telefon</translation>
    </message>
    <message>
        <source>Filling necessarily</source>
        <translation>Pflichtfeld</translation>
    </message>
    <message>
        <source>Save the parameters set via the WEB</source>
        <translation>Über das Web gesetzte Einstellungen speichern</translation>
    </message>
    <message>
        <source>Delete user</source>
        <translation>Benutzer löschen</translation>
    </message>
    <message>
        <source>Fields are filled in incorrectly</source>
        <translation>Felder sind falsch ausgefüllt</translation>
    </message>
    <message>
        <source>Full name is busy</source>
        <translation>Der vollständige Name ist schon vergeben</translation>
    </message>
    <message>
        <source>User name is busy</source>
        <translation>Der Benutzername ist schon vergeben</translation>
    </message>
    <message>
        <source>Are you sure</source>
        <translation>Sind Sie sicher</translation>
    </message>
</context>
<context>
    <name>UsersSettingsDialogPhotoFileSelect</name>
    <message>
        <source>Photo</source>
        <translation>Foto</translation>
    </message>
    <message>
        <source>Picture file</source>
        <translation>Bilddatei</translation>
    </message>
</context>
<context>
    <name>UsersTableDelegateWidget</name>
    <message>
        <source>Last WEB request: %1 (%2)</source>
        <translation>Letzte WEB-Anfrage: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>UsersWidget</name>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>String is empty</source>
        <translation>Die Eingabe ist leer</translation>
    </message>
    <message>
        <source>This name is busy</source>
        <translation>Dieser Name ist vergeben</translation>
    </message>
    <message>
        <source>Enter full name</source>
        <translation>Vollständigen Namen eingeben</translation>
    </message>
    <message>
        <source>Enter user name</source>
        <translation>Benutzernamen eingeben</translation>
    </message>
</context>
<context>
    <name>XModule</name>
    <message>
        <source> (Version %1.%2.%3)</source>
        <translation> (Version %1.%2.%3)</translation>
    </message>
    <message>
        <source>Module &lt;%1&gt; Warnings: %2</source>
        <translation>Modul &lt;%1&gt; Warnungen: %2</translation>
    </message>
    <message>
        <source>Module &lt;%1&gt; load error. %2</source>
        <translation>Modul &lt;%1&gt; Ladefehler. %2</translation>
    </message>
    <message>
        <source>Can&apos;t get Qt version</source>
        <translation>Qt-Version nicht ermittelbar</translation>
    </message>
    <message>
        <source>Incompatible Qt version</source>
        <translation>Inkompatible Qt-Version</translation>
    </message>
    <message>
        <source>Can&apos;t load object</source>
        <translation>Objekt kann nicht geladen werden</translation>
    </message>
    <message>
        <source>Name is empty</source>
        <translation>Der Name ist leer</translation>
    </message>
    <message>
        <source>Name must not contain / or \</source>
        <translation>Der Name darf weder / noch \ enthalten</translation>
    </message>
    <message>
        <source>Name must not start with a dot</source>
        <translation>Der Name darf nicht mit einem Punkt beginnen</translation>
    </message>
</context>
<context>
    <name>XModuleMakeDialog</name>
    <message>
        <source>Description:</source>
        <translation>Beschreibung:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
</context>
<context>
    <name>XModulesTabWidget</name>
    <message>
        <source>Click to add new module</source>
        <translation>Klicken, um ein neues Modul hinzuzufügen</translation>
    </message>
    <message>
        <source>This name is busy</source>
        <translation>Dieser Name ist vergeben</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Cancel the deletion</source>
        <translation>Löschen abbrechen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>Name is busy</source>
        <translation>Der Name ist vergeben</translation>
    </message>
</context>
<context>
    <name>XServer</name>
    <message>
        <source>Listening</source>
        <translation>Empfangsbereit</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Closed</source>
        <translation>Geschlossen</translation>
    </message>
    <message>
        <source>The connections cannot be accepted</source>
        <translation>Die Verbindungen können nicht angenommen werden</translation>
    </message>
</context>
<context>
    <name>XServerWidget</name>
    <message>
        <source>WEB server</source>
        <translation>WEB-Server</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Delay due to incorrect login / password</source>
        <translation>Verzögerung bei falscher Anmeldung / falschem Passwort</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>Secure connection</source>
        <translation>Sichere Verbindung</translation>
    </message>
    <message>
        <source> (need install SSL, otherwise it will not work)</source>
        <translation> (SSL muss installiert sein, sonst funktioniert es nicht)</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
</context>
<context>
    <name>XStoredFile</name>
    <message>
        <source>its new content could not be written completely in %1</source>
        <translation>sein neuer Inhalt konnte in %1 nicht vollständig geschrieben werden</translation>
    </message>
    <message>
        <source>the file as it was could not be kept beside it yet</source>
        <translation>die ursprüngliche Datei konnte noch nicht daneben aufbewahrt werden</translation>
    </message>
</context>
<context>
    <name>XWidgetBaseSettingsDialog</name>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>User size</source>
        <translation>Eigene Größe</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>Current size</source>
        <translation>Aktuelle Größe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>If you enable the snap to grid, then the movement will occur in shear at 10</source>
        <translation>Bei eingeschaltetem Raster wird in Schritten von 10 verschoben</translation>
    </message>
    <message>
        <source>This ID is busy</source>
        <translation>Diese ID ist schon vergeben</translation>
    </message>
</context>
<context>
    <name>XWidgetContextMenu</name>
    <message>
        <source>Base settings</source>
        <translation>Grundeinstellungen</translation>
    </message>
    <message>
        <source>Copy ID</source>
        <translation>ID kopieren</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Daten</translation>
    </message>
</context>
<context>
    <name>XWidgetDataDialog</name>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Autoupdate</source>
        <translation>Automatisch aktualisieren</translation>
    </message>
</context>
<context>
    <name>XWidgetGroup</name>
    <message>
        <source>Aligned to the grid</source>
        <translation>Am Raster ausrichten</translation>
    </message>
    <message>
        <source>Adjast size</source>
        <translation>Größe anpassen</translation>
    </message>
    <message>
        <source>Add the standart widget</source>
        <translation>Standard-Widget hinzufügen</translation>
    </message>
    <message>
        <source>Use image</source>
        <translation>Bild verwenden</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Bild</translation>
    </message>
    <message>
        <source>Delete group</source>
        <translation>Gruppe löschen</translation>
    </message>
    <message>
        <source>Deleting group</source>
        <translation>Gruppe wird gelöscht</translation>
    </message>
    <message>
        <source>Removal is not possible because the group contains Widgets</source>
        <translation>Entfernen nicht möglich, weil die Gruppe Widgets enthält</translation>
    </message>
    <message>
        <source>Are you sure</source>
        <translation>Sind Sie sicher</translation>
    </message>
</context>
<context>
    <name>XWidgetIdCheck</name>
    <message>
        <source>String is empty</source>
        <translation>Die Eingabe ist leer</translation>
    </message>
    <message>
        <source>ID must not contain / or \</source>
        <translation>Die ID darf weder / noch \ enthalten</translation>
    </message>
    <message>
        <source>ID must not start with a dot</source>
        <translation>Die ID darf nicht mit einem Punkt beginnen</translation>
    </message>
</context>
<context>
    <name>XWidgetPanel</name>
    <message>
        <source>Find widget</source>
        <translation>Widget suchen</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
</context>
<context>
    <name>XWidgetPanelContextMenu</name>
    <message>
        <source>Aligned to the grid</source>
        <translation>Am Raster ausrichten</translation>
    </message>
    <message>
        <source>Add the group</source>
        <translation>Gruppe hinzufügen</translation>
    </message>
    <message>
        <source>Add the standart widget</source>
        <translation>Standard-Widget hinzufügen</translation>
    </message>
    <message>
        <source>Find widget by ID</source>
        <translation>Widget nach ID suchen</translation>
    </message>
    <message>
        <source>Adjust size</source>
        <translation>Größe anpassen</translation>
    </message>
</context>
<context>
    <name>XWidgetStandart</name>
    <message>
        <source>Additional settings</source>
        <translation>Weitere Einstellungen</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>Edit mode</source>
        <translation>Bearbeitungsmodus</translation>
    </message>
    <message>
        <source>Components configuration</source>
        <translation>Komponenten konfigurieren</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Configuration of component &quot;%1&quot;</source>
        <translation>Konfiguration der Komponente &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Deleting widget</source>
        <translation>Widget wird gelöscht</translation>
    </message>
    <message>
        <source>Are you sure for delete widget &apos;%1&apos;?</source>
        <translation>Widget &apos;%1&apos; wirklich löschen?</translation>
    </message>
    <message>
        <source>Script: line %2, %3</source>
        <translation>Skript: Zeile %2, %3</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartDebugDialog</name>
    <message>
        <source>Debug (%1)</source>
        <translation>Debug (%1)</translation>
    </message>
    <message>
        <source>Set &apos;Undefined&apos;</source>
        <translation>Auf „Undefiniert“ setzen</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartDebugDialogModel</name>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Return value</source>
        <translation>Rückgabewert</translation>
    </message>
    <message>
        <source>Has setter</source>
        <translation>Hat Setter</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>No</source>
        <translation>Nein</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartDialog</name>
    <message>
        <source>Standard widget settings (%1)</source>
        <translation>Einstellungen des Standard-Widgets (%1)</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Auto vertical</source>
        <translation>Automatisch senkrecht</translation>
    </message>
    <message>
        <source>Auto horizontal</source>
        <translation>Automatisch waagerecht</translation>
    </message>
    <message>
        <source>Hand</source>
        <translation>Von Hand</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Set name on component</source>
        <translation>Name in Komponente setzen</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Anordnung</translation>
    </message>
    <message>
        <source>Script</source>
        <translation>Skript</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Nach oben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Nach unten</translation>
    </message>
    <message>
        <source>Save selected to kit</source>
        <translation>Auswahl als Bausatz speichern</translation>
    </message>
    <message>
        <source>Load from kit</source>
        <translation>Aus Bausatz laden</translation>
    </message>
    <message>
        <source>Components</source>
        <translation>Komponenten</translation>
    </message>
    <message>
        <source>Accept</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>No data</source>
        <translation>Keine Daten</translation>
    </message>
    <message>
        <source>Copied data for library %1. Insert them into the component of library %2?</source>
        <translation>Kopierte Daten der Bibliothek %1. In die Komponente der Bibliothek %2 einfügen?</translation>
    </message>
    <message>
        <source>Some of the selected components were not created. Please click 'Accept' or 'OK'</source>
        <translation>Einige der gewählten Komponenten sind noch nicht erzeugt. Bitte „Übernehmen“ oder „OK“ klicken</translation>
    </message>
    <message>
        <source>Select components</source>
        <translation>Komponenten auswählen</translation>
    </message>
    <message>
        <source>Save kit</source>
        <translation>Bausatz speichern</translation>
    </message>
    <message>
        <source>Error!</source>
        <translation>Fehler!</translation>
    </message>
    <message>
        <source>Load kit</source>
        <translation>Bausatz laden</translation>
    </message>
    <message>
        <source>Prefix (not necessary)</source>
        <translation>Präfix (optional)</translation>
    </message>
    <message>
        <source>Some of the names are the same, enter a different prefix</source>
        <translation>Einige Namen sind schon vergeben, bitte ein anderes Präfix eingeben</translation>
    </message>
    <message>
        <source>The kit holds components of the same name; the later ones were renamed: %1</source>
        <translation>Der Bausatz enthält gleichnamige Komponenten; die späteren wurden umbenannt: %1</translation>
    </message>
    <message>
        <source>Another component is already named &quot;%1&quot;; the row keeps its name</source>
        <translation>Eine andere Komponente heißt schon „%1“; die Zeile behält ihren Namen</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartDialogModel</name>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
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
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Connect to</source>
        <translation>Verbinden mit</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartGroupEditDialog</name>
    <message>
        <source>Editing component (%1)</source>
        <translation>Komponente bearbeiten (%1)</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Check all</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Uncheck all</source>
        <translation>Keine auswählen</translation>
    </message>
    <message>
        <source>Cursor position: %1x%2</source>
        <translation>Mausposition: %1x%2</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartGroupEditDialogComponentItem</name>
    <message>
        <source>Transparent for mouse</source>
        <translation>Für die Maus durchlässig</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartKitFileDialog</name>
    <message>
        <source>Standart widget kit (*.swkit)</source>
        <translation>Bausatz für Standard-Widgets (*.swkit)</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>XWidgetStandartKitFileDialogXWidgetStandart</name>
    <message>
        <source>Show debug dialog</source>
        <translation>Debug-Dialog anzeigen</translation>
    </message>
</context>
</TS>
