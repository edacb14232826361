#include "journalexchangeitem.h"
#include "testappfolder.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartsettings.h"

#include <QLibrary>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {
using ProbeHostWidget
    = bool (*)(XWidgetPanel*, const QString&, const QString&, const QVariant&, QVariantMap&);

QVariantMap componentMap(const QString& name)
{
    return { { QStringLiteral("name"), name } };
}
}

// A library built from the reduced framework works on a standard widget of
// this host, which runs the full framework: the shared layout and signal
// order of the two builds carry it.
class tst_XWidgetStandartReduced : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void libraryDrivesHostWidget_data();
    void libraryDrivesHostWidget();

private:
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<XWidgetPanelScrollArea> m_scrollArea;
    ProbeHostWidget m_probe = nullptr;
};

void tst_XWidgetStandartReduced::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    m_settings.reset(new QSettings(
        QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini"), QSettings::IniFormat));
    m_scrollArea.reset(new XWidgetPanelScrollArea(nullptr));
    XWidgetsPanel = new XWidgetPanel(m_settings.get(), m_scrollArea.get());

    QLibrary library(QCoreApplication::applicationDirPath() + QStringLiteral("/ReducedProbe"));
    QVERIFY2(library.load(), qPrintable(library.errorString()));
    m_probe = reinterpret_cast<ProbeHostWidget>(library.resolve("probeHostWidget"));
    QVERIFY(m_probe);
}

void tst_XWidgetStandartReduced::cleanupTestCase()
{
    m_scrollArea.reset();
    XWidgetsPanel = nullptr;
}

void tst_XWidgetStandartReduced::libraryDrivesHostWidget_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("first component, a number") << QStringLiteral("level") << QVariant(42);
    QTest::newRow("last component, a text") << QStringLiteral("state") << QVariant(QStringLiteral("open"));
}

void tst_XWidgetStandartReduced::libraryDrivesHostWidget()
{
    QFETCH(QString, component);
    QFETCH(QVariant, value);

    XWidgetStandartSettings record;
    record.setMap(
        { { QStringLiteral("base"), QVariantMap { { QStringLiteral("id"), QStringLiteral("tank") } } },
            { QStringLiteral("name"), QStringLiteral("Tank 1") },
            { QStringLiteral("components"),
                QVariantMap { { QStringLiteral("0"), componentMap(QStringLiteral("level")) },
                    { QStringLiteral("1"), componentMap(QStringLiteral("state")) } } } });
    JournalExchangeItem journal(QStringLiteral("tank"));
    QList<JournalItem*> posted;
    connect(&journal, &JournalExchangeItem::addSignal, this,
        [&posted](JournalItem* item) { posted.append(item); });
    XWidgetStandart widget(&record, &journal, XWidgetsPanel);

    QVariantMap report;
    QVERIFY(m_probe(XWidgetsPanel, QStringLiteral("tank"), component, value, report));

    QCOMPARE(report.value(QStringLiteral("components")).toStringList(),
        QStringList({ QStringLiteral("level"), QStringLiteral("state") }));
    QCOMPARE(report.value(QStringLiteral("name")).toString(), QStringLiteral("Tank 1"));
    QCOMPARE(report.value(QStringLiteral("variables")).toStringList(),
        QStringList({ QStringLiteral("level"), QStringLiteral("state") }));
    QCOMPARE(posted.size(), 1);
    QCOMPARE(posted.first()->text, QStringLiteral("probe here"));
    QCOMPARE(posted.first()->level, JournalItem::ITEM_LEVEL_WARNING);
    qDeleteAll(posted);

    XWidgetStandartComponent* target = widget.component(component);
    QVERIFY(target);
    QVERIFY(target->setter());
    QCOMPARE(target->setter()->objectName(), QStringLiteral("probeSetter"));
    QCOMPARE(target->lastSetValue(), value);
    // Not writable any more: the value the outside reads is gone.
    QVERIFY(!target->getValue().isValid());
    for (XWidgetStandartComponent* other : qAsConst(widget.components)) {
        if (other != target)
            QVERIFY(!other->lastSetValue().isValid());
    }
}

QTEST_MAIN(tst_XWidgetStandartReduced)
#include "tst_xwidgetstandartreduced.moc"
