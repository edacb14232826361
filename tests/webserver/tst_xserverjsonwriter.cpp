#include "xserverjsonwriter.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QtTest>

#include <limits>

// The browser client and the stored answers take the exchange's JSON as Qt
// writes it; the writer must give the very same bytes for every value an
// answer can hold.
class tst_XServerJsonWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesAsQt_data();
    void writesAsQt();
};

void tst_XServerJsonWriter::writesAsQt_data()
{
    QTest::addColumn<QVariantMap>("object");
    QTest::newRow("empty answer") << QVariantMap();
    QTest::newRow("a widget's label") << QVariantMap { { "WIDGETS",
        QVariantHash {
            { "w10",
                QVariantMap { { "comp",
                    QVariantMap { { "0", QVariantMap { { "text", "v=3" }, { "color", "#00ff00" } } } } } } },
            { "w2", QVariantMap() }, { "W1", QVariantMap { { "comp", QVariantMap() } } } } } };
    QTest::newRow("empty members") << QVariantMap { { "map", QVariantMap() }, { "hash", QVariantHash() },
        { "list", QVariantList() }, { "texts", QStringList() }, { "text", QString() } };
    QTest::newRow("lists") << QVariantMap {
        { "ids", QVariantList { "a", 1, true, QVariant(), QVariantList { QVariantMap { { "x", 2 } } } } },
        { "texts", QStringList { "one", "two" } }
    };
    QTest::newRow("texts to escape") << QVariantMap { { "quote \" and \\",
                                                          "tab\tline\nreturn\rfeed\fback\b" },
        { "controls", QString::fromUtf16(u"\u0001\u001f\u007f") }, { "slash", "a/b" } };
    QTest::newRow("texts beyond ASCII") << QVariantMap {
        { QString::fromUtf16(u"Kessel \u00e9\u20ac"), QString::fromUtf16(u"\u00fc\u0800\uffff") },
        { "pair", QString::fromUtf16(u"\U0001F600") }, { "lone high", QString::fromUtf16(u"a\xd83d b") },
        { "lone low", QString::fromUtf16(u"\xde00") }, { "high at the end", QString::fromUtf16(u"x\xd83d") }
    };
    QTest::newRow("keys in Qt's order") << QVariantMap { { "answer",
        QVariantHash { { "b", 1 }, { "B", 2 }, { "a10", 3 }, { "a9", 4 },
            { QString::fromUtf16(u"\u00e4"), 5 }, { QString::fromUtf16(u"\U0001F600"), 6 },
            { QString::fromUtf16(u"\uffee"), 7 }, { "", 8 } } } };
    QTest::newRow("numbers") << QVariantMap { { "int", -42 }, { "uint", 4000000000u },
        { "min", std::numeric_limits<int>::min() }, { "long", qint64(1) << 60 }, { "ulong", quint64(-1) },
        { "double", 0.5 }, { "whole double", 3.0 }, { "large double", 1e20 },
        { "not a number", std::numeric_limits<double>::quiet_NaN() }, { "float", 1.25f },
        { "short", QVariant::fromValue(short(-7)) } };
    QTest::newRow("truth values") << QVariantMap { { "yes", true }, { "no", false } };
    QTest::newRow("other values as Qt converts them") << QVariantMap {
        { "date", QDate(2026, 12, 11) }, { "bytes", QByteArray("abc") }, { "point", QPoint(1, 2) },
        { "json object", QVariant::fromValue(QJsonObject { { "k", 1.5 }, { "a", QJsonArray { 1, "x" } } }) }
    };
}

void tst_XServerJsonWriter::writesAsQt()
{
    QFETCH(QVariantMap, object);
    QCOMPARE(XServerJsonWriter::indented(object),
        QJsonDocument(QJsonObject::fromVariantMap(object)).toJson(QJsonDocument::Indented));
}

QTEST_APPLESS_MAIN(tst_XServerJsonWriter)
#include "tst_xserverjsonwriter.moc"
