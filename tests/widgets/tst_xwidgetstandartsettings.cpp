#include "xstoredfile.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QStringList componentNames(const XWidgetStandartSettings& record)
{
    QStringList names;
    for (const XWidgetStandartComponentSettings* component : record.components)
        names.append(component->name);
    return names;
}

QVariantMap named(const QString& name)
{
    return { { QStringLiteral("name"), name } };
}
}

class tst_XWidgetStandartSettings : public QObject
{
    Q_OBJECT

private slots:
    void newRecordMap();
    void setMap_data();
    void setMap();
    void fileRoundTrip();
};

void tst_XWidgetStandartSettings::newRecordMap()
{
    XWidgetStandartSettings record;
    const QVariantMap map = record.getMap();
    QCOMPARE(map.keys(),
        QStringList({ QStringLiteral("base"), QStringLiteral("components"), QStringLiteral("layout"),
            QStringLiteral("name"), QStringLiteral("scriptName"), QStringLiteral("scriptParameters"),
            QStringLiteral("setNameOnComponent"), QStringLiteral("transparent") }));
    QCOMPARE(map.value(QStringLiteral("base")).toMap(), XWidgetSettings().map());
    QCOMPARE(map.value(QStringLiteral("name")), QVariant(QString()));
    QCOMPARE(map.value(QStringLiteral("setNameOnComponent")), QVariant(QString()));
    QCOMPARE(map.value(QStringLiteral("scriptName")), QVariant(QString()));
    QCOMPARE(map.value(QStringLiteral("transparent")), QVariant(false));
    QCOMPARE(map.value(QStringLiteral("scriptParameters")), QVariant(QVariantMap()));
    QCOMPARE(map.value(QStringLiteral("components")), QVariant(QVariantMap()));
    QCOMPARE(map.value(QStringLiteral("layout")), QVariant(0));
}

void tst_XWidgetStandartSettings::setMap_data()
{
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<QStringList>("components");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("transparent");

    // Every row starts from a record holding the component "old", layout 2,
    // the ID "keep", the name "before" and transparency on.
    const QString components = QStringLiteral("components");
    QTest::newRow("empty map: absent keys reset, list and base stay")
        << QVariantMap() << QStringList { QStringLiteral("old") } << 0 << QStringLiteral("keep") << QString()
        << false;
    QTest::newRow("empty components object empties the list")
        << QVariantMap { { components, QVariantMap() } } << QStringList() << 0 << QStringLiteral("keep")
        << QString() << false;
    QTest::newRow("components stop at the first gap")
        << QVariantMap { { components,
               QVariantMap { { QStringLiteral("0"), named(QStringLiteral("a")) },
                   { QStringLiteral("1"), named(QStringLiteral("b")) },
                   { QStringLiteral("3"), named(QStringLiteral("d")) } } } }
        << QStringList { QStringLiteral("a"), QStringLiteral("b") } << 0 << QStringLiteral("keep")
        << QString() << false;
    QTest::newRow("components without index 0 give none")
        << QVariantMap { { components, QVariantMap { { QStringLiteral("1"), named(QStringLiteral("b")) } } } }
        << QStringList() << 0 << QStringLiteral("keep") << QString() << false;
    QTest::newRow("layout 2 and the other fields") << QVariantMap { { QStringLiteral("layout"), 2 },
        { QStringLiteral("name"), QStringLiteral("Pump") }, { QStringLiteral("transparent"), true },
        { QStringLiteral("base"), QVariantMap { { QStringLiteral("id"), QStringLiteral("p1") } } } }
                                                   << QStringList { QStringLiteral("old") } << 2
                                                   << QStringLiteral("p1") << QStringLiteral("Pump") << true;
    QTest::newRow("base that is no map keeps the base")
        << QVariantMap { { QStringLiteral("base"), QStringLiteral("text") } }
        << QStringList { QStringLiteral("old") } << 0 << QStringLiteral("keep") << QString() << false;
}

void tst_XWidgetStandartSettings::setMap()
{
    QFETCH(QVariantMap, map);
    QFETCH(QStringList, components);
    QFETCH(int, layout);
    QFETCH(QString, id);
    QFETCH(QString, name);
    QFETCH(bool, transparent);

    XWidgetStandartSettings record;
    record.setMap({ { QStringLiteral("components"),
                        QVariantMap { { QStringLiteral("0"), named(QStringLiteral("old")) } } },
        { QStringLiteral("layout"), 2 }, { QStringLiteral("name"), QStringLiteral("before") },
        { QStringLiteral("transparent"), true },
        { QStringLiteral("base"), QVariantMap { { QStringLiteral("id"), QStringLiteral("keep") } } } });

    record.setMap(map);
    QCOMPARE(componentNames(record), components);
    QCOMPARE(record.layout, layout);
    QCOMPARE(record.base.id, id);
    QCOMPARE(record.name, name);
    QCOMPARE(record.transparent, transparent);
}

// The .sw form: what a record writes, read back from its JSON file, gives the
// same record, with JSON types for the flags, numbers and nested objects.
void tst_XWidgetStandartSettings::fileRoundTrip()
{
    XWidgetStandartSettings record;
    record.name = QStringLiteral("Pump");
    record.setNameOnComponent = QStringLiteral("title");
    record.transparent = true;
    record.scriptName = QStringLiteral("pump.js");
    record.scriptParameters = { { QStringLiteral("limit"), 5 } };
    record.base.id = QStringLiteral("p1");
    record.base.position = QPoint(120, -40);
    record.layout = 2;
    for (const QString& name : { QStringLiteral("title"), QStringLiteral("level") }) {
        auto* component = new XWidgetStandartComponentSettings;
        component->name = name;
        component->libSettings
            = { { QStringLiteral("nested"), QVariantMap { { QStringLiteral("k"), name } } } };
        record.components.append(component);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p1.sw"));
    QVERIFY(XStoredFile::writeJsonObject(path, record.getMap()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    QVERIFY(json.value(QStringLiteral("transparent")).isBool());
    QVERIFY(json.value(QStringLiteral("layout")).isDouble());
    QVERIFY(json.value(QStringLiteral("components")).isObject());
    QVERIFY(json.value(QStringLiteral("scriptParameters")).isObject());
    QVERIFY(json.value(QStringLiteral("base")).isObject());

    QVariantMap map;
    QVERIFY(XStoredFile::readJsonObject(path, &map));
    XWidgetStandartSettings loaded;
    loaded.setMap(map);
    QCOMPARE(QJsonObject::fromVariantMap(loaded.getMap()), QJsonObject::fromVariantMap(record.getMap()));
    QCOMPARE(componentNames(loaded), QStringList({ QStringLiteral("title"), QStringLiteral("level") }));
    QCOMPARE(loaded.base.position, QPoint(120, -40));
}

QTEST_MAIN(tst_XWidgetStandartSettings)
#include "tst_xwidgetstandartsettings.moc"
