#include "xwidgetgroupsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class tst_XWidgetGroupSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void setMap_data();
    void setMap();
    void roundTrip_data();
    void roundTrip();
};

namespace {
XWidgetGroupSettings filled()
{
    XWidgetGroupSettings record;
    record.name = QStringLiteral("Hall");
    record.position = QPoint(30, 40);
    record.size = QSize(200, 150);
    record.useImage = true;
    record.imageFile = QStringLiteral("plans/hall.png");
    record.alignedToTheGrid = false;
    return record;
}
}

void tst_XWidgetGroupSettings::defaults()
{
    XWidgetGroupSettings record;
    QCOMPARE(record.name, QString());
    QCOMPARE(record.position, QPoint(0, 0));
    QCOMPARE(record.size, QSize(50, 50));
    QCOMPARE(record.useImage, false);
    QCOMPARE(record.imageFile, QString());
    QCOMPARE(record.alignedToTheGrid, true);

    const QVariantMap map = record.map();
    QCOMPARE(map.size(), 6);
    QCOMPARE(map.value(QStringLiteral("position")).type(), QVariant::Point);
    QCOMPARE(map.value(QStringLiteral("size")).type(), QVariant::Size);
}

void tst_XWidgetGroupSettings::setMap_data()
{
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("useImage");
    QTest::addColumn<QString>("imageFile");
    QTest::addColumn<bool>("alignedToTheGrid");

    const QString hall = QStringLiteral("Hall");
    const QString picture = QStringLiteral("plans/hall.png");
    QTest::newRow("empty map switches only the image off")
        << QVariantMap() << hall << QPoint(30, 40) << QSize(200, 150) << false << picture << false;
    QTest::newRow("useImage read when present")
        << QVariantMap { { QStringLiteral("useImage"), true } } << hall << QPoint(30, 40) << QSize(200, 150)
        << true << picture << false;
    QTest::newRow("every key read") << QVariantMap { { QStringLiteral("name"), QStringLiteral("Yard") },
        { QStringLiteral("position"), QPoint(-10, 5) }, { QStringLiteral("size"), QSize(20, 30) },
        { QStringLiteral("useImage"), false }, { QStringLiteral("imageFile"), QString() },
        { QStringLiteral("alignedToTheGrid"), true } }
                                    << QStringLiteral("Yard") << QPoint(-10, 5) << QSize(20, 30) << false
                                    << QString() << true;
    QTest::newRow("a value of the wrong type gives what the conversion gives") << QVariantMap {
        { QStringLiteral("position"), QStringLiteral("x") }, { QStringLiteral("useImage"), true }
    } << hall << QPoint() << QSize(200, 150) << true << picture << false;
}

void tst_XWidgetGroupSettings::setMap()
{
    QFETCH(QVariantMap, map);
    XWidgetGroupSettings record = filled();
    record.setMap(map);
    QTEST(record.name, "name");
    QTEST(record.position, "position");
    QTEST(record.size, "size");
    QTEST(record.useImage, "useImage");
    QTEST(record.imageFile, "imageFile");
    QTEST(record.alignedToTheGrid, "alignedToTheGrid");
}

void tst_XWidgetGroupSettings::roundTrip_data()
{
    QTest::addColumn<bool>("throughSettingsFile");
    QTest::newRow("map and back") << false;
    QTest::newRow("through settings.ini") << true;
}

void tst_XWidgetGroupSettings::roundTrip()
{
    QFETCH(bool, throughSettingsFile);
    XWidgetGroupSettings original = filled();
    original.position = QPoint(-15, -2);
    original.size = QSize(12, 49);

    QVariantMap map = original.map();
    if (throughSettingsFile) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue(QStringLiteral("groups/") + original.name, map);
        }
        QSettings settings(path, QSettings::IniFormat);
        map = settings.value(QStringLiteral("groups/") + original.name).toMap();
    }
    XWidgetGroupSettings read;
    read.setMap(map);
    QCOMPARE(read.map(), original.map());
}

QTEST_MAIN(tst_XWidgetGroupSettings)
#include "tst_xwidgetgroupsettings.moc"
