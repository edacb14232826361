#include "journalexchangeitem.h"
#include "modalanswerer.h"
#include "mousedriver.h"
#include "panelfixture.h"
#include "testappfolder.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {
const char LABEL_LIB[] = "TestLabel";
const char MISSING_LIB[] = "NoSuchLibrary";

QVariantMap componentMap(const QString& name, const QString& libName = QString(),
    const QVariantMap& libSettings = QVariantMap(), const QString& connectTo = QString())
{
    return { { QStringLiteral("name"), name }, { QStringLiteral("libName"), libName },
        { QStringLiteral("libSettings"), libSettings }, { QStringLiteral("connectToComponent"), connectTo } };
}

QVariantMap indexed(const QList<QVariantMap>& entries)
{
    QVariantMap map;
    for (int i = 0; i < entries.size(); ++i)
        map.insert(QString::number(i), entries.at(i));
    return map;
}

// A record with the base ID "W1" at (70, 90), on the panel grid, and the given components.
std::unique_ptr<XWidgetStandartSettings> makeRecord(const QList<QVariantMap>& components, int layout = 0)
{
    std::unique_ptr<XWidgetStandartSettings> record(new XWidgetStandartSettings);
    record->setMap({ { QStringLiteral("base"),
                         QVariantMap { { QStringLiteral("id"), QStringLiteral("W1") },
                             { QStringLiteral("position"),
                                 QStringList { QStringLiteral("70"), QStringLiteral("90") } } } },
        { QStringLiteral("components"), indexed(components) }, { QStringLiteral("layout"), layout } });
    return record;
}

XWidgetStandartComponent* byName(XWidgetStandart& widget, const QString& name)
{
    for (XWidgetStandartComponent* component : qAsConst(widget.components)) {
        if (component->settings->name == name)
            return component;
    }
    return nullptr;
}

}

class tst_XWidgetStandart : public QObject, protected PanelFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void menuEntries();
    void layout_data();
    void layout();
    void componentLookup_data();
    void componentLookup();
    void valuesReachComponentsUnchanged();
    void nameGoesIntoItsComponent();
    void linksByConnectToComponent();
    void acceptSettingsKeepsComponents();
    void webObject_data();
    void webObject();
    void webMap_data();
    void webMap();
    void variables();
    void exchangeData();
    void scriptParameters();
    void journalAdd_data();
    void journalAdd();
    void deleteClicked_data();
    void deleteClicked();
    void componentEntryOfContextMenu();
    void emptyWidgetShowsFrame_data();
    void emptyWidgetShowsFrame();

};

void tst_XWidgetStandart::initTestCase()
{
    TestAppFolder::cleanOwnFolder();
    openSettings();
    createPanel();
}

void tst_XWidgetStandart::cleanupTestCase()
{
    destroyPanel();
}

void tst_XWidgetStandart::menuEntries()
{
    auto record
        = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB, { { QStringLiteral("dialog"), true } }),
            componentMap(QStringLiteral("b"), LABEL_LIB), componentMap(QStringLiteral("lost"), MISSING_LIB),
            componentMap(QStringLiteral("v")) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);

    QStringList texts;
    const QList<QAction*> actions = widget.contextMenu->actions();
    for (QAction* action : actions)
        texts.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    QCOMPARE(texts.mid(texts.size() - 7),
        QStringList({ QStringLiteral("Additional settings"), QStringLiteral("Debug"),
            QStringLiteral("Edit mode"), QStringLiteral("Components configuration"), QString(),
            QStringLiteral("|"), QStringLiteral("Delete") }));
    QVERIFY(widget.debugAction->isCheckable());
    QVERIFY(widget.editModeAction->isCheckable());

    QStringList entries;
    QList<bool> enabled;
    const QList<QAction*> componentEntries = widget.componentsMenu->actions();
    for (QAction* action : componentEntries) {
        entries.append(action->text());
        enabled.append(action->isEnabled());
    }
    QCOMPARE(entries,
        QStringList(
            { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("lost"), QStringLiteral("v") }));
    QCOMPARE(enabled, QList<bool>({ true, false, false, false }));
}

void tst_XWidgetStandart::layout_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QSize>("storedSize");
    QTest::addColumn<bool>("inBox");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("placedByHand");
    QTest::addColumn<bool>("naturalSize");

    const int none = -1;
    QTest::newRow("auto vertical") << 0 << QSize(60, 60) << true << int(QBoxLayout::TopToBottom) << false
                                   << false;
    QTest::newRow("auto horizontal") << 1 << QSize(60, 60) << true << int(QBoxLayout::LeftToRight) << false
                                     << false;
    QTest::newRow("hand, 4 x 100 takes the natural size")
        << 2 << QSize(4, 100) << false << none << true << true;
    QTest::newRow("hand, 100 x 4 takes the natural size")
        << 2 << QSize(100, 4) << false << none << true << true;
    QTest::newRow("hand, 5 x 5 as stored") << 2 << QSize(5, 5) << false << none << true << false;
    QTest::newRow("hand, 60 x 40 as stored") << 2 << QSize(60, 40) << false << none << true << false;
    QTest::newRow("value 3 places nothing") << 3 << QSize(60, 40) << false << none << false << false;
}

void tst_XWidgetStandart::layout()
{
    QFETCH(int, layout);
    QFETCH(QSize, storedSize);
    QFETCH(bool, inBox);
    QFETCH(int, direction);
    QFETCH(bool, placedByHand);
    QFETCH(bool, naturalSize);

    QVariantMap label = componentMap(QStringLiteral("a"), LABEL_LIB);
    label.insert(QStringLiteral("position"), QVariantList { 11, 13 });
    label.insert(QStringLiteral("size"), QVariantList { storedSize.width(), storedSize.height() });
    auto record = makeRecord({ label, componentMap(QStringLiteral("v")) }, layout);
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    XWidgetStandartComponent* placed = byName(widget, QStringLiteral("a"));
    XWidgetStandartComponent* valueOnly = byName(widget, QStringLiteral("v"));
    QVERIFY(placed && valueOnly);

    QCOMPARE(widget.mainLayout->indexOf(placed) >= 0, inBox);
    if (direction >= 0)
        QCOMPARE(int(widget.mainLayout->direction()), direction);
    if (placedByHand) {
        QCOMPARE(placed->parentWidget(), &widget);
        QVERIFY(placed->isVisible());
        QCOMPARE(placed->pos(), QPoint(11, 13));
        QCOMPARE(placed->size(), naturalSize ? placed->sizeHint() : storedSize);
    } else if (!inBox) {
        QVERIFY(placed->pos() != QPoint(11, 13));
    }

    // The value-only component is never laid out, yet it is a variable and takes values.
    const bool known = layout >= 0 && layout <= 2;
    QCOMPARE(widget.unplacedComponents,
        known ? QList<XWidgetStandartComponent*>({ valueOnly }) : QList<XWidgetStandartComponent*>());
    QCOMPARE(widget.mainLayout->indexOf(valueOnly), -1);
    QVERIFY(!valueOnly->isVisible());
    QVERIFY(widget.variablesList().contains(QStringLiteral("v")));
    emit valueOnly->setValueHandlerSignal(valueOnly, 5, nullptr);
    QCOMPARE(valueOnly->lastSetValue(), QVariant(5));
}

void tst_XWidgetStandart::componentLookup_data()
{
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("position 0") << QVariant(0) << QString();
    QTest::newRow("position -1") << QVariant(-1) << QString();
    QTest::newRow("position n + 1") << QVariant(5) << QString();
    QTest::newRow("position 1") << QVariant(1) << QStringLiteral("a");
    QTest::newRow("position 4, value-only") << QVariant(4) << QStringLiteral("v");
    QTest::newRow("position 3, library missing") << QVariant(3) << QString();
    QTest::newRow("position as double") << QVariant(1.0) << QString();
    QTest::newRow("name") << QVariant(QStringLiteral("b")) << QStringLiteral("b");
    QTest::newRow("name, library missing") << QVariant(QStringLiteral("lost")) << QString();
    QTest::newRow("name in other case") << QVariant(QStringLiteral("B")) << QString();
    QTest::newRow("invalid") << QVariant() << QString();
}

void tst_XWidgetStandart::componentLookup()
{
    QFETCH(QVariant, key);
    QFETCH(QString, expected);

    auto record = makeRecord(
        { componentMap(QStringLiteral("a"), LABEL_LIB), componentMap(QStringLiteral("b"), LABEL_LIB),
            componentMap(QStringLiteral("lost"), MISSING_LIB), componentMap(QStringLiteral("v")) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);

    XWidgetStandartComponent* found = widget.component(key);
    QCOMPARE(found ? found->settings->name : QString(), expected);
    QCOMPARE(widget.getComponent(key), static_cast<QObject*>(found));
}

void tst_XWidgetStandart::valuesReachComponentsUnchanged()
{
    auto record = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    XWidgetStandartComponent* a = widget.components.first();

    emit a->setValueHandlerSignal(a, QVariant(42), nullptr);
    QCOMPARE(a->lastSetValue(), QVariant(42));
    QCOMPARE(widget.variable(QStringLiteral("a")), QVariant(42));

    // A component the widget does not hold is not served by it.
    XWidgetStandartComponentSettings foreignRecord;
    foreignRecord.name = QStringLiteral("a");
    XWidgetStandartComponent foreign(&foreignRecord);
    connect(&foreign, SIGNAL(setValueHandlerSignal(XWidgetStandartComponent*, QVariant, QObject*)), &widget,
        SLOT(componentSetValueHandler(XWidgetStandartComponent*, QVariant, QObject*)));
    emit foreign.setValueHandlerSignal(&foreign, QVariant(7), nullptr);
    QVERIFY(!foreign.lastSetValue().isValid());
    QCOMPARE(widget.variable(QStringLiteral("a")), QVariant(42));
}

void tst_XWidgetStandart::nameGoesIntoItsComponent()
{
    auto record = makeRecord({ componentMap(QStringLiteral("title"), LABEL_LIB),
        componentMap(QStringLiteral("other"), LABEL_LIB) });
    record->name = QStringLiteral("Pump 3");
    record->setNameOnComponent = QStringLiteral("title");
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    XWidgetStandartComponent* title = byName(widget, QStringLiteral("title"));
    QCOMPARE(title->lastSetValue(), QVariant(QStringLiteral("Pump 3")));
    QVERIFY(!byName(widget, QStringLiteral("other"))->lastSetValue().isValid());

    record->name = QStringLiteral("Pump 4");
    emit title->settingsUpdated();
    QCOMPARE(title->lastSetValue(), QVariant(QStringLiteral("Pump 4")));

    record->setNameOnComponent = QStringLiteral("nobody");
    record->name = QStringLiteral("Pump 5");
    widget.setNameToComponent();
    QCOMPARE(title->lastSetValue(), QVariant(QStringLiteral("Pump 4")));
}

void tst_XWidgetStandart::linksByConnectToComponent()
{
    auto record = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB),
        componentMap(QStringLiteral("b"), LABEL_LIB, QVariantMap(), QStringLiteral("a")),
        componentMap(QStringLiteral("c"), LABEL_LIB, QVariantMap(), QStringLiteral("nobody")) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    XWidgetStandartComponent* a = byName(widget, QStringLiteral("a"));

    emit a->setValueHandlerSignal(a, QVariant(3), nullptr);
    QCOMPARE(byName(widget, QStringLiteral("b"))->lastSetValue(), QVariant(3));
    QCOMPARE(widget.variable(QStringLiteral("b")), QVariant(3));
    QVERIFY(!byName(widget, QStringLiteral("c"))->lastSetValue().isValid());
}

void tst_XWidgetStandart::acceptSettingsKeepsComponents()
{
    auto record
        = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB), componentMap(QStringLiteral("v")) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    const QList<XWidgetStandartComponent*> before = widget.components;
    emit before.first()->setValueHandlerSignal(before.first(), QVariant(1), nullptr);

    widget.acceptSettings();
    QCOMPARE(widget.components, before);
    QCOMPARE(widget.componentsMenu->actions().size(), 2);
    QCOMPARE(before.first()->lastSetValue(), QVariant(1));
}

void tst_XWidgetStandart::webObject_data()
{
    QTest::addColumn<QString>("firstText");
    QTest::addColumn<bool>("transparent");

    QTest::newRow("no component has a web text") << QString() << false;
    QTest::newRow("a web text with its geometry, transparent") << QStringLiteral("new label(1)") << true;
    QTest::newRow("a web text holding place markers") << QStringLiteral("f(\"%1\", %2)") << false;
}

void tst_XWidgetStandart::webObject()
{
    QFETCH(QString, firstText);
    QFETCH(bool, transparent);

    auto record = makeRecord(
        { componentMap(QStringLiteral("a"), LABEL_LIB, { { QStringLiteral("webText"), firstText } }),
            componentMap(QStringLiteral("lost"), MISSING_LIB), componentMap(QStringLiteral("v")) },
        2);
    record->transparent = transparent;
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    XWidgetStandartComponent* a = widget.components.first();

    QJsonObject first;
    if (!firstText.isEmpty()) {
        first = QJsonObject { { QStringLiteral("objText"), firstText }, { QStringLiteral("top"), a->y() },
            { QStringLiteral("left"), a->x() }, { QStringLiteral("height"), a->height() },
            { QStringLiteral("width"), a->width() } };
    }
    const QJsonObject components { { QStringLiteral("0"), first }, { QStringLiteral("1"), QJsonObject() },
        { QStringLiteral("2"), QJsonObject() } };
    const QString expected = QStringLiteral("new standartWidget(90, 70, %1, %2, %3, ")
                                 .arg(widget.height())
                                 .arg(widget.width())
                                 .arg(transparent ? QStringLiteral("true") : QStringLiteral("false"))
        + QString::fromUtf8(QJsonDocument(components).toJson(QJsonDocument::Indented)) + QLatin1Char(')');
    QCOMPARE(widget.webObject(true), expected);
}

void tst_XWidgetStandart::webMap_data()
{
    QTest::addColumn<QVariantMap>("input");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QVariantMap>("expected");

    const QString clicked = QStringLiteral("clicked");
    const QString comp = QStringLiteral("comp");
    QTest::newRow("clicked true clicks once")
        << QVariantMap { { clicked, true } } << false << 1 << QVariantMap();
    QTest::newRow("clicked false does not click")
        << QVariantMap { { clicked, false } } << false << 0 << QVariantMap();
    QTest::newRow("clicked absent does not click") << QVariantMap() << true << 0 << QVariantMap();
    QTest::newRow("a value for a component is answered")
        << QVariantMap { { comp, QVariantMap { { QStringLiteral("0"), QStringLiteral("x") } } } } << true << 0
        << QVariantMap { { comp, QVariantMap { { QStringLiteral("0"), QStringLiteral("echo x rw") } } } };
    QTest::newRow("read only is passed on")
        << QVariantMap { { comp, QVariantMap { { QStringLiteral("0"), 4 } } } } << false << 0
        << QVariantMap { { comp, QVariantMap { { QStringLiteral("0"), QStringLiteral("echo 4 ro") } } } };
    QTest::newRow("a component without library object gives no answer")
        << QVariantMap { { comp, QVariantMap { { QStringLiteral("1"), QStringLiteral("x") } } } } << true << 0
        << QVariantMap();
}

void tst_XWidgetStandart::webMap()
{
    QFETCH(QVariantMap, input);
    QFETCH(bool, writable);
    QFETCH(int, clicks);
    QFETCH(QVariantMap, expected);

    auto record = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB),
        componentMap(QStringLiteral("lost"), MISSING_LIB), componentMap(QStringLiteral("v")) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QSignalSpy clickedSpy(&widget, &XWidgetStandart::clicked);

    QCOMPARE(widget.webMap(input, writable), expected);
    QCOMPARE(clickedSpy.count(), clicks);
}

void tst_XWidgetStandart::variables()
{
    auto record = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);

    QVERIFY(!widget.variableSet(QStringLiteral("a"), 1));
    QVERIFY(!widget.variableSet(QStringLiteral("unknown"), 1));
    QVERIFY(widget.variableAppend(QStringLiteral("x"), 10));
    QVERIFY(!widget.variableAppend(QStringLiteral("x"), 20));
    QCOMPARE(widget.variable(QStringLiteral("x")), QVariant(10));
    QVERIFY(widget.variableSet(QStringLiteral("x"), 11));
    QCOMPARE(widget.variable(QStringLiteral("x")), QVariant(11));

    QVERIFY(!widget.variable(QStringLiteral("fresh")).isValid());
    QCOMPARE(widget.variablesList(),
        QStringList({ QStringLiteral("a"), QStringLiteral("fresh"), QStringLiteral("x") }));
}

void tst_XWidgetStandart::exchangeData()
{
    auto record = makeRecord({ componentMap(QStringLiteral("a"), LABEL_LIB) });
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    widget.variableAppend(QStringLiteral("x"), 1);

    const QVariantMap result = widget.exchangeData(
        { { QStringLiteral("x"), 2 }, { QStringLiteral("a"), 3 }, { QStringLiteral("unknown"), 4 } });
    QCOMPARE(result, QVariantMap({ { QStringLiteral("a"), QVariant() }, { QStringLiteral("x"), 2 } }));
    QVERIFY(!widget.variablesList().contains(QStringLiteral("unknown")));
}

void tst_XWidgetStandart::scriptParameters()
{
    auto record = makeRecord({});
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);

    QCOMPARE(widget.getScriptParameter(QStringLiteral("p"), 5), QVariant(5));
    QVERIFY(!record->scriptParameters.contains(QStringLiteral("p")));
    widget.setScriptParameter(QStringLiteral("p"), QStringLiteral("on"));
    QCOMPARE(widget.getScriptParameter(QStringLiteral("p"), 5), QVariant(QStringLiteral("on")));
    QCOMPARE(record->getMap().value(QStringLiteral("scriptParameters")).toMap().value(QStringLiteral("p")),
        QVariant(QStringLiteral("on")));
}

void tst_XWidgetStandart::journalAdd_data()
{
    QTest::addColumn<QVariant>("level");
    QTest::addColumn<int>("expected");

    QTest::newRow("text alone") << QVariant() << 0;
    QTest::newRow("critical") << QVariant(3) << 3;
    QTest::newRow("above the levels") << QVariant(9) << 3;
    QTest::newRow("below the levels") << QVariant(-2) << 0;
}

void tst_XWidgetStandart::journalAdd()
{
    QFETCH(QVariant, level);
    QFETCH(int, expected);

    auto record = makeRecord({});
    JournalExchangeItem journal(QStringLiteral("W1"));
    QList<JournalItem*> posted;
    connect(&journal, &JournalExchangeItem::addSignal, this,
        [&posted](JournalItem* item) { posted.append(item); });
    XWidgetStandart widget(record.get(), &journal, XWidgetsPanel);

    if (level.isValid())
        widget.journalAdd(QStringLiteral("hello"), level.toInt());
    else
        QVERIFY(QMetaObject::invokeMethod(&widget, "journalAdd", Q_ARG(QString, QStringLiteral("hello"))));
    QCOMPARE(posted.size(), 1);
    QCOMPARE(int(posted.first()->level), expected);
    QCOMPARE(posted.first()->source, QStringLiteral("W1"));
    QCOMPARE(posted.first()->text, QStringLiteral("hello"));
    qDeleteAll(posted);

    XWidgetStandart silent(record.get(), nullptr, XWidgetsPanel);
    silent.journalAdd(QStringLiteral("nobody hears"), 1);
}

void tst_XWidgetStandart::deleteClicked_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("requests");
    QTest::newRow("yes asks to be deleted") << "&Yes" << 1;
    QTest::newRow("no keeps the widget") << "&No" << 0;
}

void tst_XWidgetStandart::deleteClicked()
{
    QFETCH(QString, answer);
    QFETCH(int, requests);

    auto record = makeRecord({});
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QSignalSpy deleteSpy(&widget, &XWidgetStandart::deleteMe);
    ModalAnswerer answerer({ { "QMessageBox", "Deleting widget", answer } });
    widget.deleteClicked();

    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript.value(0).section(QStringLiteral(" | "), 1, 1),
        QStringLiteral("Are you sure for delete widget 'W1'?"));
    QCOMPARE(deleteSpy.count(), requests);
    if (requests)
        QCOMPARE(deleteSpy.first().first().value<XWidgetStandart*>(), &widget);
}

void tst_XWidgetStandart::componentEntryOfContextMenu()
{
    QVariantMap withDialog
        = componentMap(QStringLiteral("dial"), LABEL_LIB, { { QStringLiteral("dialog"), true } });
    withDialog.insert(QStringLiteral("position"), QVariantList { 10, 10 });
    withDialog.insert(QStringLiteral("size"), QVariantList { 40, 30 });
    QVariantMap plain = componentMap(QStringLiteral("plain"), LABEL_LIB);
    plain.insert(QStringLiteral("position"), QVariantList { 60, 10 });
    plain.insert(QStringLiteral("size"), QVariantList { 40, 30 });
    auto record = makeRecord({ withDialog, plain }, 2);
    record->base.size = QSize(200, 100);
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QCOMPARE(widget.size(), QSize(200, 100));

    const auto openMenuAt = [&widget](const QPoint& pos) {
        ModalAnswerer answerer({ { "QMenu", "", ModalAnswerer::CANCEL } });
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget.mapToGlobal(pos));
        QApplication::sendEvent(&widget, &event);
        return answerer.failure();
    };

    QCOMPARE(openMenuAt(QPoint(20, 20)), QString());
    QVERIFY(widget.componentAction->isVisible());
    QCOMPARE(widget.componentAction->text(), QStringLiteral("Configuration of component \"dial\""));
    QVERIFY(widget.componentAction->isEnabled());

    QCOMPARE(openMenuAt(QPoint(70, 20)), QString());
    QCOMPARE(widget.componentAction->text(), QStringLiteral("Configuration of component \"plain\""));
    QVERIFY(!widget.componentAction->isEnabled());

    QCOMPARE(openMenuAt(QPoint(150, 80)), QString());
    QVERIFY(!widget.componentAction->isVisible());
}

void tst_XWidgetStandart::emptyWidgetShowsFrame_data()
{
    QTest::addColumn<QList<QVariantMap>>("components");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("framed");
    QTest::newRow("no components") << QList<QVariantMap>() << false << true;
    QTest::newRow("no components, transparent") << QList<QVariantMap>() << true << true;
    QTest::newRow("a component") << QList<QVariantMap> { componentMap(QStringLiteral("a"), LABEL_LIB) } << false
                                 << false;
}

// A widget without components is seen on the panel by its frame and takes
// the operator's right-click; one with components shows only them.
void tst_XWidgetStandart::emptyWidgetShowsFrame()
{
    QFETCH(QList<QVariantMap>, components);
    QFETCH(bool, transparent);
    QFETCH(bool, framed);
    auto record = makeRecord(components);
    record->transparent = transparent;
    record->base.size = QSize(80, 50);
    XWidgetStandart widget(record.get(), nullptr, XWidgetsPanel);
    QVERIFY(QTest::qWaitForWindowExposed(widget.window()));
    QCOMPARE(widget.geometry(), QRect(70, 90, 80, 50));
    // The right-click needs the widget in the scroll area's view.
    const QSize areaSize = m_area->size();
    m_area->resize(400, 300);
    const auto restoreArea = qScopeGuard([&] { m_area->resize(areaSize); });
    QTRY_VERIFY(m_area->viewport()->rect().contains(widget.geometry()));

    // The panel around the widget, 3 pixels wide: the left edge's middle is
    // drawn in the frame's colour or left as the panel's background.
    const int margin = 3;
    const QImage image = XWidgetsPanel->grab(widget.geometry().adjusted(-margin, -margin, margin, margin)).toImage();
    const int middle = image.height() / 2;
    const QColor outside = image.pixelColor(0, middle);
    QCOMPARE(image.pixelColor(margin, middle) != outside, framed);
    QCOMPARE(image.pixelColor(margin + widget.width() - 1, middle) != outside, framed);

    // The menu runs its own event loop: it is looked for, and closed, from there.
    QWidget* opened = nullptr;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&opened] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = popup;
            popup->close();
        }
    });
    closer.start(10);
    const QPoint inside = widget.mapTo(XWidgetsPanel, QPoint(widget.width() / 2, widget.height() / 2));
    MouseDriver::press(XWidgetsPanel, inside, Qt::NoModifier, Qt::RightButton);
    MouseDriver::release(XWidgetsPanel, inside, Qt::NoModifier, Qt::RightButton);
    QTRY_VERIFY(opened);
    QCOMPARE(opened, static_cast<QWidget*>(widget.contextMenu));
}

QTEST_MAIN(tst_XWidgetStandart)
#include "tst_xwidgetstandart.moc"
