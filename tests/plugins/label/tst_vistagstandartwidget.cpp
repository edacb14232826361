#include "applicationdata.h"
#include "mainwindow.h"
#include "testappfolder.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"

#include <QLabel>
#include <QtTest>

namespace {
// A standard widget as an operator stores it: one Vistag label whose text and
// colour follow the value, named after the widget.
const QByteArray VALVE_WIDGET = R"({
    "base": { "id": "Valve1", "position": ["10", "10"], "size": ["120", "40"], "userSize": true },
    "name": "Inlet valve",
    "setNameOnComponent": "",
    "components": {
        "0": {
            "name": "state", "libName": "Vistag", "connectToComponent": "",
            "position": [0, 0], "size": [100, 20],
            "libSettings": {
                "items": {
                    "0": { "condition": 4, "value": "", "text": "no data", "color": "gray" },
                    "1": { "condition": 0, "value": "1", "text": "%%name%% open", "color": "green" },
                    "2": { "condition": 3, "value": "", "text": "%%value%%?", "color": "red" }
                }
            }
        }
    },
    "layout": 0
})";
}

// Vistag loaded by a standard widget that the main window builds from its
// .sw file, as on an operator's desk.
class tst_VistagStandartWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void valueShownOnThePanel_data();
    void valueShownOnThePanel();
};

void tst_VistagStandartWidget::initTestCase()
{
    TestAppFolder::linkStagedFolders();
}

void tst_VistagStandartWidget::cleanup()
{
    TestAppFolder::cleanOwnFolder();
}

void tst_VistagStandartWidget::valueShownOnThePanel_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("no value yet") << QVariant() << QStringLiteral("no data") << QColor("gray");
    QTest::newRow("equal to 1") << QVariant(1) << QStringLiteral("state open") << QColor("green");
    QTest::newRow("any other") << QVariant(7) << QStringLiteral("7?") << QColor("red");
}

void tst_VistagStandartWidget::valueShownOnThePanel()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    TestAppFolder::cleanOwnFolder();
    TestAppFolder::writeOwnFile(QStringLiteral("standart_widgets/Valve1.sw"), VALVE_WIDGET);

    ApplicationData applicationData;
    MainWindow window(&applicationData);
    QCOMPARE(XWidgetStandartList.size(), 1);
    XWidgetStandart* widget = XWidgetStandartList.first();
    XWidgetStandartComponent* component = widget->component(QStringLiteral("state"));
    QVERIFY2(component, "the Vistag library was loaded for the component");

    if (value.isValid())
        emit component->setValueHandlerSignal(component, value, nullptr);

    const QList<QLabel*> labels = widget->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->text(), text);
    QCOMPARE(labels.first()->palette().color(QPalette::WindowText), colour);
}

QTEST_MAIN(tst_VistagStandartWidget)
#include "tst_vistagstandartwidget.moc"
