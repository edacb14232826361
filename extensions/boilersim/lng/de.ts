<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BoilerPage</name>
    <message>
        <source>State:</source>
        <translation>Zustand:</translation>
    </message>
    <message>
        <source>Set point:</source>
        <translation>Sollwert:</translation>
    </message>
    <message>
        <source>Starts:</source>
        <translation>Starts:</translation>
    </message>
    <message>
        <source>%1, burner %2</source>
        <translation>%1, Brenner %2</translation>
    </message>
    <message>
        <source>on</source>
        <translation>an</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
</context>
<context>
    <name>BoilerSimulator</name>
    <message>
        <source>Boiler simulator stopped at %1</source>
        <translation>Kesselsimulator bei %1 angehalten</translation>
    </message>
    <message>
        <source>Boiler simulator started (start %1)</source>
        <translation>Kesselsimulator gestartet (Start %1)</translation>
    </message>
    <message>
        <source>Boiler</source>
        <translation>Kessel</translation>
    </message>
    <message>
        <source>Boiler temperature</source>
        <translation>Kesseltemperatur</translation>
    </message>
    <message>
        <source>Burner</source>
        <translation>Brenner</translation>
    </message>
    <message>
        <source>Clicks on the counter</source>
        <translation>Klicks auf den Zähler</translation>
    </message>
</context>
</TS>
