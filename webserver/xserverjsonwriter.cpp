#include "xserverjsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {
const int INDENT_WIDTH = 4;
// An answer of a panel of a few hundred widgets; grown as needed beyond.
const int INITIAL_CAPACITY = 16 * 1024;

char hexDigit(uint value)
{
    return char(value < 10 ? '0' + value : 'a' + value - 10);
}
}

QByteArray XServerJsonWriter::indented(const QVariantMap& object)
{
    XServerJsonWriter writer;
    writer.m_json.reserve(INITIAL_CAPACITY);
    writer.writeObject(object, 0);
    writer.m_json += '\n';
    return QByteArray(writer.m_json.data(), int(writer.m_json.size()));
}

void XServerJsonWriter::writeValue(const QVariant& value, int indent)
{
    switch (int(value.userType())) {
    case QMetaType::UnknownType:
        m_json += "null";
        return;
    case QMetaType::QVariantMap:
        writeObject(*static_cast<const QVariantMap*>(value.constData()), indent);
        return;
    case QMetaType::QVariantHash:
        writeObject(*static_cast<const QVariantHash*>(value.constData()), indent);
        return;
    case QMetaType::QVariantList:
        writeArray(*static_cast<const QVariantList*>(value.constData()), indent);
        return;
    case QMetaType::QStringList:
        writeArray(*static_cast<const QStringList*>(value.constData()), indent);
        return;
    case QMetaType::QString:
        writeString(*static_cast<const QString*>(value.constData()));
        return;
    case QMetaType::Bool:
        m_json += value.toBool() ? "true" : "false";
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        m_json += std::to_string(value.toLongLong());
        return;
    default:
        writeAsQtDoes(value, indent);
        return;
    }
}

void XServerJsonWriter::writeObject(const QVariantMap& object, int indent)
{
    // A map holds its entries in Qt's order of an object's keys already.
    m_json += "{\n";
    bool first = true;
    for (auto it = object.cbegin(); it != object.cend(); ++it) {
        writeMember(it.key(), it.value(), indent + 1, first);
        first = false;
    }
    writeObjectEnd(indent, first);
}

void XServerJsonWriter::writeObject(const QVariantHash& object, int indent)
{
    // Qt's order of an object's keys: QString's own, by UTF-16 code units.
    std::vector<QVariantHash::const_iterator> entries;
    entries.reserve(size_t(object.size()));
    for (auto it = object.cbegin(); it != object.cend(); ++it)
        entries.push_back(it);
    std::sort(entries.begin(), entries.end(),
        [](const QVariantHash::const_iterator& left, const QVariantHash::const_iterator& right) {
            return left.key() < right.key();
        });
    m_json += "{\n";
    bool first = true;
    for (const auto& entry : entries) {
        writeMember(entry.key(), entry.value(), indent + 1, first);
        first = false;
    }
    writeObjectEnd(indent, first);
}

void XServerJsonWriter::writeMember(const QString& key, const QVariant& value, int indent, bool first)
{
    if (!first)
        m_json += ",\n";
    writeIndent(indent);
    writeString(key);
    m_json += ": ";
    writeValue(value, indent);
}

void XServerJsonWriter::writeObjectEnd(int indent, bool empty)
{
    if (!empty)
        m_json += '\n';
    writeIndent(indent);
    m_json += '}';
}

template <typename List> void XServerJsonWriter::writeArray(const List& list, int indent)
{
    m_json += "[\n";
    for (int i = 0; i < list.size(); ++i) {
        if (i > 0)
            m_json += ",\n";
        writeIndent(indent + 1);
        writeValue(QVariant(list.at(i)), indent + 1);
    }
    if (!list.isEmpty())
        m_json += '\n';
    writeIndent(indent);
    m_json += ']';
}

void XServerJsonWriter::writeString(const QString& text)
{
    m_json += '"';
    const ushort* unit = reinterpret_cast<const ushort*>(text.constData());
    const ushort* const end = unit + text.size();
    while (unit != end) {
        const ushort code = *unit++;
        if (code >= 0x80) {
            if (QChar::isHighSurrogate(code) && unit != end && QChar::isLowSurrogate(*unit)) {
                const uint point = QChar::surrogateToUcs4(code, *unit++);
                m_json += char(0xf0 | (point >> 18));
                m_json += char(0x80 | ((point >> 12) & 0x3f));
                m_json += char(0x80 | ((point >> 6) & 0x3f));
                m_json += char(0x80 | (point & 0x3f));
            } else if (QChar::isSurrogate(code)) {
                // A lone half of a pair has no UTF-8: Qt writes it escaped.
                m_json += "\\u";
                m_json += hexDigit(code >> 12);
                m_json += hexDigit((code >> 8) & 0xf);
                m_json += hexDigit((code >> 4) & 0xf);
                m_json += hexDigit(code & 0xf);
            } else if (code < 0x800) {
                m_json += char(0xc0 | (code >> 6));
                m_json += char(0x80 | (code & 0x3f));
            } else {
                m_json += char(0xe0 | (code >> 12));
                m_json += char(0x80 | ((code >> 6) & 0x3f));
                m_json += char(0x80 | (code & 0x3f));
            }
            continue;
        }
        switch (code) {
        case '"':
            m_json += "\\\"";
            break;
        case '\\':
            m_json += "\\\\";
            break;
        case '\b':
            m_json += "\\b";
            break;
        case '\f':
            m_json += "\\f";
            break;
        case '\n':
            m_json += "\\n";
            break;
        case '\r':
            m_json += "\\r";
            break;
        case '\t':
            m_json += "\\t";
            break;
        default:
            if (code < 0x20) {
                m_json += "\\u00";
                m_json += hexDigit(code >> 4);
                m_json += hexDigit(code & 0xf);
            } else {
                m_json += char(code);
            }
        }
    }
    m_json += '"';
}

void XServerJsonWriter::writeIndent(int indent)
{
    m_json.append(size_t(INDENT_WIDTH * indent), ' ');
}

void XServerJsonWriter::writeAsQtDoes(const QVariant& value, int indent)
{
    const QJsonValue converted = QJsonValue::fromVariant(value);
    if (converted.isObject() || converted.isArray()) {
        writeValue(converted.toVariant(), indent);
        return;
    }
    // A lone value written compact is the value between the brackets.
    const QByteArray inArray = QJsonDocument(QJsonArray { converted }).toJson(QJsonDocument::Compact);
    m_json.append(inArray.constData() + 1, size_t(inArray.size() - 2));
}
