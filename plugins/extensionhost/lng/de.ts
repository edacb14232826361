<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Plugbay</name>
    <message>
        <source>Extension load error. %1</source>
        <translation>Fehler beim Laden der Erweiterung. %1</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>Parameter &apos;libFileName&apos; is empty</source>
        <translation>Parameter &apos;libFileName&apos; ist leer</translation>
    </message>
    <message>
        <source>Can&apos;t load %1 (%2)</source>
        <translation>%1 kann nicht geladen werden (%2)</translation>
    </message>
    <message>
        <source>Can&apos;t call &apos;makeObject&apos;</source>
        <translation>&apos;makeObject&apos; kann nicht aufgerufen werden</translation>
    </message>
    <message>
        <source>Can&apos;t make extension object</source>
        <translation>Das Erweiterungsobjekt kann nicht erstellt werden</translation>
    </message>
    <message>
        <source>unknown exception</source>
        <translation>unbekannte Ausnahme</translation>
    </message>
    <message>
        <source>The extension failed in %1 (%2)</source>
        <translation>Die Erweiterung ist in %1 gescheitert (%2)</translation>
    </message>
    <message>
        <source>[%1 bytes of debug text dropped]</source>
        <translation>[%1 Bytes Debug-Text verworfen]</translation>
    </message>
</context>
<context>
    <name>PlugbayComponentItem</name>
    <message>
        <source>Conflict of setters. Widget &lt;%1&gt;, component &lt;%2&gt;</source>
        <translation>Konflikt der Setter. Widget &lt;%1&gt;, Komponente &lt;%2&gt;</translation>
    </message>
</context>
<context>
    <name>PlugbayComponentsModel</name>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Widget</source>
        <translation>Widget</translation>
    </message>
    <message>
        <source>Component of widget</source>
        <translation>Komponente des Widgets</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
</context>
<context>
    <name>PlugbayWidget</name>
    <message>
        <source>Components</source>
        <translation>Komponenten</translation>
    </message>
</context>
</TS>
