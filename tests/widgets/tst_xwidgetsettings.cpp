#include "xwidgetsettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class tst_XWidgetSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshRecordWritesEveryKey();
    void setMap_data();
    void setMap();
    void jsonRoundTrip();
};

namespace {
// A record that is not at its defaults, so that "unchanged" can be told apart.
XWidgetSettings filled()
{
    XWidgetSettings record;
    record.id = QStringLiteral("pump");
    record.position = QPoint(7, 9);
    record.group = QStringLiteral("Hall");
    record.size = QSize(80, 60);
    record.userSize = false;
    return record;
}
}

void tst_XWidgetSettings::freshRecordWritesEveryKey()
{
    XWidgetSettings record;
    record.setMap(QVariantMap());
    const QVariantMap expected {
        { QStringLiteral("id"), QString() },
        { QStringLiteral("position"), QStringList { QStringLiteral("0"), QStringLiteral("0") } },
        { QStringLiteral("group"), QString() },
        { QStringLiteral("size"), QStringList { QStringLiteral("50"), QStringLiteral("50") } },
        { QStringLiteral("userSize"), true },
    };
    QCOMPARE(record.map(), expected);
    QCOMPARE(record.map().value(QStringLiteral("id")).type(), QVariant::String);
}

void tst_XWidgetSettings::setMap_data()
{
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("userSize");

    const QString pump = QStringLiteral("pump");
    const QString hall = QStringLiteral("Hall");
    QTest::newRow("empty map keeps every field")
        << QVariantMap() << pump << QPoint(7, 9) << hall << QSize(80, 60) << false;
    QTest::newRow("text that is no number gives 0, no clamping") << QVariantMap {
        { QStringLiteral("position"), QStringList { QStringLiteral("-5"), QStringLiteral("abc") } }
    } << pump << QPoint(-5, 0) << hall << QSize(80, 60) << false;
    QTest::newRow("numbers from a JSON array are read as text")
        << QVariantMap { { QStringLiteral("size"), QVariantList { 120.0, 40 } } } << pump << QPoint(7, 9)
        << hall << QSize(120, 40) << false;
    QTest::newRow("a one-element list gives 0 for the missing side")
        << QVariantMap { { QStringLiteral("position"), QStringLiteral("12") } } << pump << QPoint(12, 0)
        << hall << QSize(80, 60) << false;
    QTest::newRow("an invalid value under the key is passed over")
        << QVariantMap { { QStringLiteral("position"), QVariant() }, { QStringLiteral("size"), QVariant() } }
        << pump << QPoint(7, 9) << hall << QSize(80, 60) << false;
    QTest::newRow("a size below 50 is kept as it is") << QVariantMap {
        { QStringLiteral("size"), QStringList { QStringLiteral("10"), QStringLiteral("20") } }
    } << pump << QPoint(7, 9) << hall << QSize(10, 20) << false;
    QTest::newRow("userSize absent keeps the switch, other keys read")
        << QVariantMap { { QStringLiteral("id"), QStringLiteral("valve") },
               { QStringLiteral("group"), QString() } }
        << QStringLiteral("valve") << QPoint(7, 9) << QString() << QSize(80, 60) << false;
    QTest::newRow("userSize read") << QVariantMap { { QStringLiteral("userSize"), true } } << pump
                                   << QPoint(7, 9) << hall << QSize(80, 60) << true;
    QTest::newRow("unknown keys are ignored")
        << QVariantMap { { QStringLiteral("colour"), QStringLiteral("red") } } << pump << QPoint(7, 9) << hall
        << QSize(80, 60) << false;
}

void tst_XWidgetSettings::setMap()
{
    QFETCH(QVariantMap, map);
    XWidgetSettings record = filled();
    record.setMap(map);
    QTEST(record.id, "id");
    QTEST(record.position, "position");
    QTEST(record.group, "group");
    QTEST(record.size, "size");
    QTEST(record.userSize, "userSize");
}

void tst_XWidgetSettings::jsonRoundTrip()
{
    XWidgetSettings original = filled();
    original.position = QPoint(-3, 120);
    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(original.map())).toJson();
    QVERIFY2(json.contains("\"120\""), "positions reach JSON as strings");

    XWidgetSettings read;
    read.setMap(QJsonDocument::fromJson(json).object().toVariantMap());
    QCOMPARE(read.map(), original.map());
}

QTEST_MAIN(tst_XWidgetSettings)
#include "tst_xwidgetsettings.moc"
