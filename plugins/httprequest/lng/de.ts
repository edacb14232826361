<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Webquery</name>
    <message>
        <source>Conflict of setters.</source>
        <translation>Mehrere Setzer für eine Komponente.</translation>
    </message>
    <message>
        <source>Request &lt;%1&gt; refused: only http and https URLs are sent</source>
        <translation>Anfrage &lt;%1&gt; abgelehnt: nur http- und https-Adressen werden gesendet</translation>
    </message>
    <message>
        <source>Request &lt;%1&gt; not sent: %2 requests are waiting already</source>
        <translation>Anfrage &lt;%1&gt; nicht gesendet: %2 Anfragen warten bereits</translation>
    </message>
    <message>
        <source>Request &lt;%1&gt; aborted: the answer is larger than %2 bytes</source>
        <translation>Anfrage &lt;%1&gt; abgebrochen: die Antwort ist größer als %2 Byte</translation>
    </message>
    <message>
        <source>Request &lt;%1&gt; aborted: no answer within %2 s</source>
        <translation>Anfrage &lt;%1&gt; abgebrochen: keine Antwort innerhalb von %2 s</translation>
    </message>
    <message>
        <source>Request &lt;%1&gt; failed: %2</source>
        <translation>Anfrage &lt;%1&gt; fehlgeschlagen: %2</translation>
    </message>
</context>
<context>
    <name>XHttpModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>HTTP request</source>
        <translation>HTTP-Anfrage</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
</context>
<context>
    <name>XHttpWidget</name>
    <message>
        <source>Set answer to component</source>
        <translation>Antwort in die Komponente schreiben</translation>
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
        <source>Use extra end</source>
        <translation>Zusätzliches Ende verwenden</translation>
    </message>
    <message>
        <source>Divider</source>
        <translation>Trennzeichen</translation>
    </message>
    <message>
        <source>Widget</source>
        <translation>Widget</translation>
    </message>
    <message>
        <source>Component</source>
        <translation>Komponente</translation>
    </message>
    <message>
        <source>Last request%1: %2</source>
        <translation>Letzte Anfrage%1: %2</translation>
    </message>
    <message>
        <source>Last answer%1:</source>
        <translation>Letzte Antwort%1:</translation>
    </message>
</context>
</TS>
