#pragma once

#include <QByteArray>
#include <QVariantMap>

#include <string>

// Writes an exchange's answer as indented JSON, byte for byte as
// QJsonDocument::toJson(QJsonDocument::Indented) writes it after
// QJsonObject::fromVariantMap, at a small part of its cost: a large panel's
// answer goes out several thousand times a second, and Qt's own way through
// its CBOR containers cost more than the whole exchange in the GUI thread.
// Maps and hashes of variants, lists, texts, truth values, 32-bit integers
// and null are written directly; any other value as Qt writes it.
class XServerJsonWriter
{
public:
    static QByteArray indented(const QVariantMap& object);

private:
    XServerJsonWriter() = default;

    void writeValue(const QVariant& value, int indent);
    void writeObject(const QVariantMap& object, int indent);
    void writeObject(const QVariantHash& object, int indent);
    void writeMember(const QString& key, const QVariant& value, int indent, bool first);
    void writeObjectEnd(int indent, bool empty);
    template <typename List> void writeArray(const List& list, int indent);
    void writeString(const QString& text);
    void writeIndent(int indent);
    void writeAsQtDoes(const QVariant& value, int indent);

    // Appending a byte to a std::string is inline, to a QByteArray a call.
    std::string m_json;
};
