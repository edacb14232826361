#include "xwidgetstandartcomponentsettings.h"

#include <QtTest>

class tst_XWidgetStandartComponentSettings : public QObject
{
    Q_OBJECT

private slots:
    void emptyMapGivesDefaults();
    void roundTrip();
    void geometry_data();
    void geometry();
};

void tst_XWidgetStandartComponentSettings::emptyMapGivesDefaults()
{
    XWidgetStandartComponentSettings settings;
    settings.name = QStringLiteral("old");
    settings.libSettings.insert(QStringLiteral("k"), 1);
    settings.setMap(QVariantMap());

    QVERIFY(settings.name.isEmpty());
    QVERIFY(settings.libName.isEmpty());
    QVERIFY(settings.connectToComponent.isEmpty());
    QVERIFY(settings.libSettings.isEmpty());
    QCOMPARE(settings.position, QPoint(0, 0));
    QCOMPARE(settings.size, QSize(20, 20));
}

void tst_XWidgetStandartComponentSettings::roundTrip()
{
    XWidgetStandartComponentSettings original;
    original.name = QStringLiteral("level");
    original.libName = QStringLiteral("Vistag");
    original.connectToComponent = QStringLiteral("alarm");
    original.libSettings = QVariantMap { { QStringLiteral("font"), QStringLiteral("Sans,9") },
        { QStringLiteral("items"),
            QVariantMap { { QStringLiteral("0"), QVariantMap { { QStringLiteral("text"), 1 } } } } } };
    original.position = QPoint(12, -3);
    original.size = QSize(80, 24);

    const QVariantMap map = original.getMap();
    QCOMPARE(map.keys(),
        QStringList({ "connectToComponent", "libName", "libSettings", "name", "position", "size" }));
    QCOMPARE(map.value(QStringLiteral("position")), QVariant(QVariantList { 12, -3 }));

    // Through JSON, as the stored files carry it.
    XWidgetStandartComponentSettings copy;
    copy.setMap(QJsonDocument::fromJson(QJsonDocument(QJsonObject::fromVariantMap(map)).toJson())
                    .object()
                    .toVariantMap());
    QCOMPARE(copy.getMap(), map);
}

void tst_XWidgetStandartComponentSettings::geometry_data()
{
    QTest::addColumn<QVariant>("position");
    QTest::addColumn<QVariant>("size");
    QTest::addColumn<QPoint>("expectedPosition");
    QTest::addColumn<QSize>("expectedSize");

    const QPoint kept(7, 8);
    const QSize keptSize(30, 40);
    QTest::newRow("integers") << QVariant(QVariantList { 1, 2 }) << QVariant(QVariantList { 3, 4 })
                              << QPoint(1, 2) << QSize(3, 4);
    QTest::newRow("strings of digits")
        << QVariant(QStringList { "15", "-5" }) << QVariant(QStringList { "60", "25" }) << QPoint(15, -5)
        << QSize(60, 25);
    QTest::newRow("missing keys keep the fields") << QVariant() << QVariant() << kept << keptSize;
    QTest::newRow("one element keeps the fields")
        << QVariant(QVariantList { 1 }) << QVariant(QStringList { "9" }) << kept << keptSize;
    QTest::newRow("empty lists keep the fields")
        << QVariant(QVariantList()) << QVariant(QVariantList()) << kept << keptSize;
    QTest::newRow("extra elements are ignored")
        << QVariant(QVariantList { 1, 2, 3 }) << QVariant(QVariantList { 4, 5, 6 }) << QPoint(1, 2)
        << QSize(4, 5);
}

void tst_XWidgetStandartComponentSettings::geometry()
{
    QFETCH(QVariant, position);
    QFETCH(QVariant, size);
    QFETCH(QPoint, expectedPosition);
    QFETCH(QSize, expectedSize);

    XWidgetStandartComponentSettings settings;
    settings.position = QPoint(7, 8);
    settings.size = QSize(30, 40);
    QVariantMap map;
    if (position.isValid())
        map.insert(QStringLiteral("position"), position);
    if (size.isValid())
        map.insert(QStringLiteral("size"), size);
    settings.setMap(map);

    QCOMPARE(settings.position, expectedPosition);
    QCOMPARE(settings.size, expectedSize);
}

QTEST_APPLESS_MAIN(tst_XWidgetStandartComponentSettings)
#include "tst_xwidgetstandartcomponentsettings.moc"
