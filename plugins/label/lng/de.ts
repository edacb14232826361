<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Dialog</name>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>TableDelegate</name>
    <message>
        <source>Equally</source>
        <translation>Gleich</translation>
    </message>
    <message>
        <source>More</source>
        <translation>Größer</translation>
    </message>
    <message>
        <source>Less</source>
        <translation>Kleiner</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Sonst</translation>
    </message>
    <message>
        <source>Undefined</source>
        <translation>Undefiniert</translation>
    </message>
</context>
<context>
    <name>TableModel</name>
    <message>
        <source>Condition</source>
        <translation>Bedingung</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Deleting item</source>
        <translation>Eintrag löschen</translation>
    </message>
    <message>
        <source>Are you sure</source>
        <translation>Sind Sie sicher</translation>
    </message>
</context>
</TS>
