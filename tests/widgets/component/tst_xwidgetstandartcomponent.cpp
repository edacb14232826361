#include "xwidgetsglobals.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentempty.h"
#include "xwidgetstandartcomponentsettings.h"

#include <QApplication>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <vector>

namespace {
// Built into this test's own widgets_components_lib by its CMakeLists.txt.
const QString PLAIN_LIB = QStringLiteral("FixturePlain");
const QString ROUTING_LIB = QStringLiteral("FixtureRouting");
const QString NO_FACTORY_LIB = QStringLiteral("FixtureNoFactory");
const QString MISSING_LIB = QStringLiteral("FixtureMissing");
const char* const GEOMETRY_KEY = "XWidgetStandartComponentDialog_geometry";

enum Sender { FromSetter, FromScript, FromNobody, FromPlainLinked, FromSetterLinked };
}

Q_DECLARE_METATYPE(Sender)

// Components on a plain parent widget; the standard widget that normally owns
// them is stood in for where a test needs its value handler.
class tst_XWidgetStandartComponent : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void construction();
    void libraryThatOverridesNothing();
    void objectlessComponent_data();
    void objectlessComponent();
    void routing_data();
    void routing();
    void returnValueRoad();
    void limits_data();
    void limits();
    void conversion_data();
    void conversion();
    void linking();
    void propagationEnds_data();
    void propagationEnds();
    void ringWithSetter();
    void ringLimits();
    void settingsDialog();
    void editMode();
    void placement();
    void ctrlDrag_data();
    void ctrlDrag();
    void edgeResize_data();
    void edgeResize();

private:
    XWidgetStandartComponent* make(const QString& name, const QString& libName = QString(),
        const QVariantMap& libSettings = QVariantMap());
    // What the standard widget does with a value announced for its component,
    // without a script.
    static void handleValues(XWidgetStandartComponent* component);
    static int count(XWidgetStandartComponent* component, const char* what);
    static void sendMove(XWidgetStandartComponent* component, QPoint at, Qt::MouseButtons buttons);

    std::unique_ptr<QWidget> m_parent;
    std::vector<std::unique_ptr<XWidgetStandartComponentSettings>> m_records;
};

void tst_XWidgetStandartComponent::init()
{
    m_parent.reset(new QWidget);
    m_parent->resize(300, 300);
    XDialogsGeometry.clear();
}

void tst_XWidgetStandartComponent::cleanup()
{
    // Components write into their records, so they go first.
    m_parent.reset();
    m_records.clear();
}

XWidgetStandartComponent* tst_XWidgetStandartComponent::make(
    const QString& name, const QString& libName, const QVariantMap& libSettings)
{
    m_records.emplace_back(new XWidgetStandartComponentSettings);
    XWidgetStandartComponentSettings* record = m_records.back().get();
    record->name = name;
    record->libName = libName;
    record->libSettings = libSettings;
    auto* component = new XWidgetStandartComponent(record);
    component->setParent(m_parent.get());
    return component;
}

void tst_XWidgetStandartComponent::handleValues(XWidgetStandartComponent* component)
{
    connect(component, &XWidgetStandartComponent::setValueHandlerSignal, component,
        [](XWidgetStandartComponent* target, QVariant v, QObject* sender) {
            target->setValueHandler(v, sender);
        });
}

int tst_XWidgetStandartComponent::count(XWidgetStandartComponent* component, const char* what)
{
    return component->object->property(QByteArray(what).append("Count").constData()).toInt();
}

void tst_XWidgetStandartComponent::sendMove(
    XWidgetStandartComponent* component, QPoint at, Qt::MouseButtons buttons)
{
    // Sent directly: a synthesized move keeps the modifier state that the
    // press left in the application.
    QMouseEvent move(QEvent::MouseMove, at, component->mapToGlobal(at), Qt::NoButton, buttons,
        QGuiApplication::keyboardModifiers());
    QApplication::sendEvent(component, &move);
}

void tst_XWidgetStandartComponent::construction()
{
    const QVariantMap libSettings { { QStringLiteral("font"), QStringLiteral("Sans") } };
    XWidgetStandartComponent* component = make(QStringLiteral("level"), ROUTING_LIB, libSettings);

    QVERIFY(component->object);
    QVERIFY(!component->noLibrary);
    QCOMPARE(component->getSubObject(), static_cast<QObject*>(component->object));
    QCOMPARE(component->object->property("calls").toStringList(),
        QStringList({ "setLibPath", "setMap", "setName" }));
    QCOMPARE(
        component->object->libPath(), QCoreApplication::applicationDirPath() + "/widgets_components_lib");
    QCOMPARE(component->object->property("storedMap").toMap(), libSettings);
    QCOMPARE(component->object->property("name").toString(), QStringLiteral("level"));
    QCOMPARE(component->layout()->count(), 1);
    QCOMPARE(component->layout()->itemAt(0)->layout(), static_cast<QLayout*>(component->object));

    XWidgetStandartComponent* valueOnly = make(QStringLiteral("state"));
    QVERIFY(valueOnly->noLibrary);
    QVERIFY(qobject_cast<XWidgetStandartComponentEmpty*>(valueOnly->object));
}

void tst_XWidgetStandartComponent::libraryThatOverridesNothing()
{
    XWidgetStandartComponent* component = make(QStringLiteral("plain"), PLAIN_LIB);
    QVERIFY(component->object);
    QSignalSpy updated(component, &XWidgetStandartComponent::valueUpdated);

    component->setValueHandler(3, nullptr);

    QCOMPARE(updated.count(), 1);
    QCOMPARE(component->lastSetValue(), QVariant(3));
    QVERIFY(!component->getValue().isValid());
    QVERIFY(!component->setRange(0, 10));
    QVERIFY(!component->object->haveSettingsDialog());
    QVERIFY(component->object->webObject(true).isEmpty());
    QVERIFY(!component->object->webVariant(1, true).isValid());
    QVERIFY(!component->object->getInsideObject(QStringLiteral("value")));

    XDialogsGeometry.insert(QLatin1String(GEOMETRY_KEY), QByteArray("saved"));
    component->settingsDialog();
    QCOMPARE(XDialogsGeometry.value(QLatin1String(GEOMETRY_KEY)).toByteArray(), QByteArray("saved"));
}

void tst_XWidgetStandartComponent::objectlessComponent_data()
{
    QTest::addColumn<QString>("libName");
    QTest::newRow("missing library") << MISSING_LIB;
    QTest::newRow("library without makeObject") << NO_FACTORY_LIB;
}

void tst_XWidgetStandartComponent::objectlessComponent()
{
    QFETCH(QString, libName);
    QTest::ignoreMessage(QtDebugMsg,
        QRegularExpression(QStringLiteral("^Can't load component with library \"%1\"$").arg(libName)));
    XWidgetStandartComponent* component = make(QStringLiteral("broken"), libName);
    XWidgetStandartComponent* linked = make(QStringLiteral("linked"), ROUTING_LIB);
    component->connectToComponent(linked);
    QSignalSpy announced(linked, &XWidgetStandartComponent::setValueHandlerSignal);
    QSignalSpy settingsShown(component, &XWidgetStandartComponent::settingsUpdated);

    QVERIFY(!component->object);
    QVERIFY(!component->noLibrary);
    QVERIFY(!component->getSubObject());
    QVERIFY(!component->setter());

    component->setValueHandler(4, nullptr);
    QVERIFY(!component->getValue().isValid());
    QVERIFY(!component->lastSetValue().isValid());
    QCOMPARE(announced.count(), 1);
    QCOMPARE(announced.at(0).at(1), QVariant(4));

    QVERIFY(!component->setRange(1, 2));
    QCOMPARE(linked->object->property("range"), QVariant(QVariantList { 1.0, 2.0 }));

    component->settingsDialog();
    QCOMPARE(settingsShown.count(), 1);
    QVERIFY(!XDialogsGeometry.contains(QLatin1String(GEOMETRY_KEY)));
}

void tst_XWidgetStandartComponent::routing_data()
{
    QTest::addColumn<bool>("hasSetter");
    QTest::addColumn<Sender>("sender");
    QTest::addColumn<bool>("becomesValue");
    QTest::addColumn<bool>("becomesReturnValue");
    QTest::addColumn<bool>("plainLinkedAnnounced");
    QTest::addColumn<bool>("setterLinkedReturnValue");

    QTest::newRow("setter sending: value, passed on") << true << FromSetter << true << false << true << true;
    QTest::newRow("script sending to a component with setter: return value only")
        << true << FromScript << false << true << false << false;
    QTest::newRow("linked component sending to a component with setter: return value only")
        << true << FromPlainLinked << false << true << false << false;
    QTest::newRow("null sender to a component with setter: return value only")
        << true << FromNobody << false << true << false << false;
    QTest::newRow("null sender without setter: value, passed on")
        << false << FromNobody << true << false << true << true;
    QTest::newRow("script sending without setter: value, passed on")
        << false << FromScript << true << false << true << true;
    QTest::newRow("linked component sending: passed on but not back")
        << false << FromPlainLinked << true << false << false << true;
    QTest::newRow("linked component with setter sending: passed on but not back")
        << false << FromSetterLinked << true << false << true << false;
}

void tst_XWidgetStandartComponent::routing()
{
    QFETCH(bool, hasSetter);
    QFETCH(Sender, sender);
    QFETCH(bool, becomesValue);
    QFETCH(bool, becomesReturnValue);
    QFETCH(bool, plainLinkedAnnounced);
    QFETCH(bool, setterLinkedReturnValue);

    QObject module;
    QObject script;
    QObject otherModule;
    XWidgetStandartComponent* component = make(QStringLiteral("c"), ROUTING_LIB);
    XWidgetStandartComponent* plainLinked = make(QStringLiteral("plain"), PLAIN_LIB);
    XWidgetStandartComponent* setterLinked = make(QStringLiteral("owned"), ROUTING_LIB);
    setterLinked->setSetter(&otherModule);
    if (hasSetter)
        component->setSetter(&module);
    component->connectToComponent(plainLinked);
    component->connectToComponent(setterLinked);

    QSignalSpy valueUpdated(component, &XWidgetStandartComponent::valueUpdated);
    QSignalSpy returnForSetter(component, &XWidgetStandartComponent::returnValueUpdatedSignal);
    QSignalSpy announced(plainLinked, &XWidgetStandartComponent::setValueHandlerSignal);
    QSignalSpy linkedReturnForSetter(setterLinked, &XWidgetStandartComponent::returnValueUpdatedSignal);

    QObject* const senders[] = { &module, &script, nullptr, plainLinked, setterLinked };
    const QVariant v(42);
    component->setValueHandler(v, senders[sender]);

    QCOMPARE(component->lastSetValue() == v, becomesValue);
    QCOMPARE(valueUpdated.count(), becomesValue ? 1 : 0);
    QCOMPARE(component->object->property("returnValue") == v, becomesReturnValue);
    QCOMPARE(returnForSetter.count(), becomesReturnValue ? 1 : 0);

    QCOMPARE(announced.count(), plainLinkedAnnounced ? 1 : 0);
    if (plainLinkedAnnounced) {
        QCOMPARE(announced.at(0).at(0).value<XWidgetStandartComponent*>(), plainLinked);
        QCOMPARE(announced.at(0).at(1), v);
        QCOMPARE(announced.at(0).at(2).value<QObject*>(), static_cast<QObject*>(component));
    }
    QCOMPARE(setterLinked->object->property("returnValue") == v, setterLinkedReturnValue);
    QCOMPARE(linkedReturnForSetter.count(), setterLinkedReturnValue ? 1 : 0);
    QVERIFY(!setterLinked->lastSetValue().isValid());
}

void tst_XWidgetStandartComponent::returnValueRoad()
{
    QObject module;
    XWidgetStandartComponent* component = make(QStringLiteral("typed"), ROUTING_LIB);
    XWidgetStandartComponent* plainLinked = make(QStringLiteral("plain"), PLAIN_LIB);
    XWidgetStandartComponent* setterLinked = make(QStringLiteral("owned"), ROUTING_LIB);
    setterLinked->setSetter(&module);
    component->connectToComponent(plainLinked);
    component->connectToComponent(setterLinked);
    QSignalSpy announced(plainLinked, &XWidgetStandartComponent::setValueHandlerSignal);
    QSignalSpy returnForSetter(component, &XWidgetStandartComponent::returnValueUpdatedSignal);

    // Without a setter, what the library reports becomes the value and goes to every link.
    component->object->setReturnValue(9);
    QCOMPARE(component->lastSetValue(), QVariant(9));
    QCOMPARE(announced.count(), 1);
    QCOMPARE(announced.at(0).at(2).value<QObject*>(), static_cast<QObject*>(component));
    QCOMPARE(setterLinked->object->property("returnValue"), QVariant(9));
    QCOMPARE(returnForSetter.count(), 0);

    // With a setter, only the setter is told.
    component->setSetter(&module);
    component->object->setReturnValue(10);
    QCOMPARE(returnForSetter.count(), 1);
    QCOMPARE(component->lastSetValue(), QVariant(9));
    QCOMPARE(announced.count(), 1);
    QCOMPARE(count(setterLinked, "returnValue"), 1);
}

void tst_XWidgetStandartComponent::limits_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("setMin") << QStringLiteral("min") << QVariant(2.0);
    QTest::newRow("setMax") << QStringLiteral("max") << QVariant(8.0);
    QTest::newRow("setRange") << QStringLiteral("range") << QVariant(QVariantList { 2.0, 8.0 });
    QTest::newRow("setWritable") << QStringLiteral("writable") << QVariant(false);
}

void tst_XWidgetStandartComponent::limits()
{
    QFETCH(QString, operation);
    QFETCH(QVariant, expected);

    QObject module;
    XWidgetStandartComponent* component = make(QStringLiteral("c"), ROUTING_LIB);
    XWidgetStandartComponent* free = make(QStringLiteral("free"), ROUTING_LIB);
    XWidgetStandartComponent* owned = make(QStringLiteral("owned"), ROUTING_LIB);
    owned->setSetter(&module);
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QStringLiteral("^Can't load component with library")));
    XWidgetStandartComponent* broken = make(QStringLiteral("broken"), MISSING_LIB);
    XWidgetStandartComponent* behindBroken = make(QStringLiteral("behind"), ROUTING_LIB);
    component->connectToComponent(free);
    component->connectToComponent(owned);
    component->connectToComponent(broken);
    broken->connectToComponent(behindBroken);

    const QByteArray name = operation.toLatin1();
    if (operation == QLatin1String("min"))
        component->setMin(2, free);
    else if (operation == QLatin1String("max"))
        component->setMax(8, free);
    else if (operation == QLatin1String("range"))
        QVERIFY(component->setRange(2, 8, free));
    else
        component->setWritable(false, free);

    QCOMPARE(component->object->property(name.constData()), expected);
    QCOMPARE(count(free, name.constData()), 0);
    QCOMPARE(count(owned, name.constData()), 0);
    QCOMPARE(behindBroken->object->property(name.constData()), expected);

    // Without a sender the one that was skipped above is reached too.
    if (operation == QLatin1String("min"))
        component->setMin(2);
    else if (operation == QLatin1String("max"))
        component->setMax(8);
    else if (operation == QLatin1String("range"))
        component->setRange(2, 8);
    else
        component->setWritable(false);
    QCOMPARE(free->object->property(name.constData()), expected);
    QCOMPARE(count(owned, name.constData()), 0);
}

void tst_XWidgetStandartComponent::conversion_data()
{
    QTest::addColumn<QVariant>("lastSet");
    QTest::addColumn<QVariant>("reported");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("\"true\" after a bool") << QVariant(false) << QVariant("true") << QVariant(true);
    QTest::newRow("\"True\" after a bool") << QVariant(true) << QVariant("True") << QVariant(false);
    QTest::newRow("a number 1 after a bool") << QVariant(false) << QVariant(1) << QVariant(false);
    QTest::newRow("\"12\" after an int") << QVariant(3) << QVariant("12") << QVariant(12);
    QTest::newRow("\"65\" after a char") << QVariant(QChar('x')) << QVariant("65") << QVariant(65);
    QTest::newRow("\"7\" after an unsigned int") << QVariant(3u) << QVariant("7") << QVariant(7u);
    QTest::newRow("\"123456789012\" after a long long")
        << QVariant(qlonglong(1)) << QVariant("123456789012") << QVariant(qlonglong(123456789012LL));
    QTest::newRow("\"5\" after an unsigned long long")
        << QVariant(qulonglong(1)) << QVariant("5") << QVariant(qulonglong(5));
    QTest::newRow("\"2.25\" after a double") << QVariant(1.5) << QVariant("2.25") << QVariant(2.25);
    QTest::newRow("a number after a string") << QVariant("x") << QVariant(42) << QVariant("42");
    QTest::newRow("after a list: unchanged")
        << QVariant(QVariantList { 1 }) << QVariant("12") << QVariant("12");
    QTest::newRow("after an invalid value: unchanged") << QVariant() << QVariant(12) << QVariant(12);
}

void tst_XWidgetStandartComponent::conversion()
{
    QFETCH(QVariant, lastSet);
    QFETCH(QVariant, reported);
    QFETCH(QVariant, expected);

    // The module reads what the user produced, converted to what it last set.
    QObject module;
    XWidgetStandartComponent* component = make(QStringLiteral("c"), ROUTING_LIB);
    component->setSetter(&module);
    component->setValueHandler(lastSet, &module);
    component->setReturnValue(reported);

    const QVariant actual = component->getValue();
    QCOMPARE(actual.userType(), expected.userType());
    QCOMPARE(actual, expected);
}

void tst_XWidgetStandartComponent::linking()
{
    XWidgetStandartComponent* a = make(QStringLiteral("a"));
    XWidgetStandartComponent* b = make(QStringLiteral("b"));

    a->connectToComponent(a);
    a->connectToComponent(nullptr);
    QVERIFY(a->connectedComponents().isEmpty());

    a->connectToComponent(b);
    a->connectToComponent(b);
    b->connectToComponent(a);
    QCOMPARE(a->connectedComponents(), QList<XWidgetStandartComponent*> { b });
    QCOMPARE(b->connectedComponents(), QList<XWidgetStandartComponent*> { a });
}

void tst_XWidgetStandartComponent::propagationEnds_data()
{
    QTest::addColumn<QString>("links");
    QTest::addColumn<bool>("typedIn");
    QTest::newRow("ring, value from a script") << QStringLiteral("ab bc ca") << false;
    QTest::newRow("ring, value typed into the first component") << QStringLiteral("ab bc ca") << true;
    QTest::newRow("ring with a chord, value from a script") << QStringLiteral("ab bc cd da ac") << false;
    QTest::newRow("chain, value from a script") << QStringLiteral("ab bc cd") << false;
    QTest::newRow("star, value typed into the middle") << QStringLiteral("ab ac ad") << true;
    QTest::newRow("pair, value from a script") << QStringLiteral("ab") << false;
}

void tst_XWidgetStandartComponent::propagationEnds()
{
    QFETCH(QString, links);
    QFETCH(bool, typedIn);

    QMap<QChar, XWidgetStandartComponent*> components;
    for (const QChar name : links) {
        if (name.isLetter() && !components.contains(name)) {
            components.insert(name, make(name, ROUTING_LIB));
            handleValues(components.value(name));
        }
    }
    for (const QString& link : links.split(QLatin1Char(' ')))
        components.value(link.at(0))->connectToComponent(components.value(link.at(1)));
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (XWidgetStandartComponent* component : qAsConst(components))
        spies.emplace_back(new QSignalSpy(component, &XWidgetStandartComponent::valueUpdated));

    QObject script;
    XWidgetStandartComponent* first = components.first();
    for (int round = 1; round <= 2; ++round) {
        if (typedIn)
            first->object->setReturnValue(round);
        else
            first->setValue(round, &script);
        int index = 0;
        for (XWidgetStandartComponent* component : qAsConst(components)) {
            QCOMPARE(spies.at(index++)->count(), round);
            QCOMPARE(component->lastSetValue(), QVariant(round));
        }
    }
}

void tst_XWidgetStandartComponent::ringWithSetter()
{
    QObject module;
    XWidgetStandartComponent* a = make(QStringLiteral("a"), ROUTING_LIB);
    XWidgetStandartComponent* b = make(QStringLiteral("b"), ROUTING_LIB);
    XWidgetStandartComponent* owned = make(QStringLiteral("owned"), ROUTING_LIB);
    owned->setSetter(&module);
    for (XWidgetStandartComponent* component : { a, b, owned })
        handleValues(component);
    a->connectToComponent(b);
    b->connectToComponent(owned);
    owned->connectToComponent(a);

    // The module's own value travels the ring and stops before it.
    owned->setValue(5, &module);
    QCOMPARE(a->lastSetValue(), QVariant(5));
    QCOMPARE(b->lastSetValue(), QVariant(5));
    QCOMPARE(count(owned, "returnValue"), 0);

    // Anybody else's value reaches the owned component once, as its return value.
    a->setValue(6, nullptr);
    QCOMPARE(b->lastSetValue(), QVariant(6));
    QCOMPARE(count(owned, "returnValue"), 1);
    QCOMPARE(owned->lastSetValue(), QVariant(5));
}

void tst_XWidgetStandartComponent::ringLimits()
{
    QList<XWidgetStandartComponent*> ring;
    for (const QString& name : { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") })
        ring.append(make(name, ROUTING_LIB));
    for (int i = 0; i < ring.size(); ++i)
        ring.at(i)->connectToComponent(ring.at((i + 1) % ring.size()));

    ring.first()->setMin(1);
    ring.first()->setMax(9);
    QVERIFY(ring.first()->setRange(1, 9));
    ring.first()->setWritable(false);
    for (XWidgetStandartComponent* component : qAsConst(ring)) {
        for (const char* what : { "min", "max", "range", "writable" })
            QCOMPARE(count(component, what), 1);
    }
}

void tst_XWidgetStandartComponent::settingsDialog()
{
    XWidgetStandartComponent* first = make(QStringLiteral("first"), ROUTING_LIB);
    XWidgetStandartComponent* second = make(QStringLiteral("second"), ROUTING_LIB);
    QSignalSpy shown(first, &XWidgetStandartComponent::settingsUpdated);

    first->settingsDialog();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(first->object->property("dialogGeometry").toByteArray(), QByteArray());
    QCOMPARE(m_records.at(0)->libSettings.value(QStringLiteral("dialogs")), QVariant(1));

    // All components' dialogs share one saved geometry.
    second->settingsDialog();
    QCOMPARE(second->object->property("dialogGeometry").toByteArray(), QByteArray("+"));
    QCOMPARE(XDialogsGeometry.value(QLatin1String(GEOMETRY_KEY)).toByteArray(), QByteArray("++"));

    // Only the component's own library object updates its record.
    connect(second->object, &XWidgetStandartComponentBaseClass::libSettingsUpdated, first,
        &XWidgetStandartComponent::libSettingsUpdated);
    second->settingsDialog();
    QCOMPARE(m_records.at(0)->libSettings.value(QStringLiteral("dialogs")), QVariant(1));
    QCOMPARE(m_records.at(1)->libSettings.value(QStringLiteral("dialogs")), QVariant(2));
}

void tst_XWidgetStandartComponent::editMode()
{
    XWidgetStandartComponent* component = make(QStringLiteral("level"), PLAIN_LIB);

    component->setEditMode(true);
    QVERIFY(component->editMode());
    QVERIFY(component->object->editMode());
    QCOMPARE(component->toolTip(), QStringLiteral("level"));
    QVERIFY(component->hasMouseTracking());

    component->setCursor(Qt::SizeHorCursor);
    component->setEditMode(false);
    QVERIFY(!component->object->editMode());
    QVERIFY(component->toolTip().isEmpty());
    QVERIFY(!component->hasMouseTracking());
    QVERIFY(!component->testAttribute(Qt::WA_SetCursor));
}

void tst_XWidgetStandartComponent::placement()
{
    XWidgetStandartComponent* component = make(QStringLiteral("c"));
    component->resize(50, 50);

    component->setPosition(QPoint(-5, 400));
    QCOMPARE(component->pos(), QPoint(0, 250));
    QCOMPARE(m_records.back()->position, QPoint(0, 250));
    component->setPosition(QPoint(280, 10));
    QCOMPARE(component->pos(), QPoint(250, 10));

    component->setSize(QSize(3, 50));
    QCOMPARE(component->size(), QSize(10, 50));
    QCOMPARE(m_records.back()->size, QSize(10, 50));
    component->setSize(QSize(60, -4));
    QCOMPARE(m_records.back()->size, QSize(60, 10));

    component->setParent(nullptr);
    component->setPosition(QPoint(-3, 900));
    QCOMPARE(component->pos(), QPoint(0, 900));
    delete component;
}

void tst_XWidgetStandartComponent::ctrlDrag_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("moveTo");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QPoint>("expected");

    // Pressed at (10, 10) inside the component, in a 300 x 300 parent.
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl snaps to 5") << QSize(50, 50) << QPoint(20, 20) << QPoint(17, 13) << ctrl
                                     << QPoint(25, 20);
    QTest::newRow("Ctrl with Shift does not snap")
        << QSize(50, 50) << QPoint(20, 20) << QPoint(17, 13) << int(Qt::ControlModifier | Qt::ShiftModifier)
        << QPoint(27, 23);
    QTest::newRow("past the top-left corner stops at 0")
        << QSize(50, 50) << QPoint(20, 20) << QPoint(-40, -40) << ctrl << QPoint(0, 0);
    QTest::newRow("a small component stays 30 pixels inside")
        << QSize(20, 20) << QPoint(200, 200) << QPoint(200, 200) << ctrl << QPoint(270, 270);
    QTest::newRow("a big component stays wholly inside")
        << QSize(50, 50) << QPoint(200, 200) << QPoint(200, 200) << ctrl << QPoint(250, 250);
    QTest::newRow("without Ctrl nothing moves")
        << QSize(50, 50) << QPoint(20, 20) << QPoint(17, 13) << int(Qt::NoModifier) << QPoint(20, 20);
}

void tst_XWidgetStandartComponent::ctrlDrag()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, start);
    QFETCH(QPoint, moveTo);
    QFETCH(int, modifiers);
    QFETCH(QPoint, expected);

    XWidgetStandartComponent* component = make(QStringLiteral("c"));
    component->setGeometry(QRect(start, size));
    component->setEditMode(true);
    QSignalSpy changed(component, &XWidgetStandartComponent::geomertyChanged);

    const QPoint press(10, 10);
    QTest::mousePress(component, Qt::LeftButton, Qt::KeyboardModifiers(modifiers), press);
    sendMove(component, moveTo, Qt::LeftButton);
    QTest::mouseRelease(component, Qt::LeftButton, Qt::NoModifier, moveTo);

    QCOMPARE(component->pos(), expected);
    QCOMPARE(component->size(), size);
    if (modifiers & Qt::ControlModifier) {
        QCOMPARE(m_records.back()->position, expected);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(1).toPoint(), expected - start);
        QCOMPARE(changed.at(0).at(2).toSize(), QSize(0, 0));
    } else {
        QCOMPARE(changed.count(), 0);
    }
}

void tst_XWidgetStandartComponent::edgeResize_data()
{
    QTest::addColumn<bool>("inEditMode");
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QPoint>("moveTo");
    QTest::addColumn<QSize>("expected");

    // A 50 x 50 component; its edge bands are 4 pixels wide.
    QTest::newRow("corner resizes both")
        << true << QPoint(47, 48) << int(Qt::SizeFDiagCursor) << QPoint(57, 53) << QSize(60, 55);
    QTest::newRow("right edge resizes the width only")
        << true << QPoint(46, 20) << int(Qt::SizeHorCursor) << QPoint(60, 35) << QSize(64, 50);
    QTest::newRow("bottom edge resizes the height only")
        << true << QPoint(20, 48) << int(Qt::SizeVerCursor) << QPoint(30, 40) << QSize(50, 42);
    QTest::newRow("not below 10 x 10")
        << true << QPoint(48, 48) << int(Qt::SizeFDiagCursor) << QPoint(-20, 0) << QSize(10, 10);
    QTest::newRow("inside the bands nothing resizes")
        << true << QPoint(45, 45) << int(Qt::ArrowCursor) << QPoint(60, 60) << QSize(50, 50);
    QTest::newRow("outside edit mode nothing resizes")
        << false << QPoint(48, 48) << int(Qt::ArrowCursor) << QPoint(60, 60) << QSize(50, 50);
}

void tst_XWidgetStandartComponent::edgeResize()
{
    QFETCH(bool, inEditMode);
    QFETCH(QPoint, grab);
    QFETCH(int, cursor);
    QFETCH(QPoint, moveTo);
    QFETCH(QSize, expected);

    XWidgetStandartComponent* component = make(QStringLiteral("c"));
    component->setGeometry(QRect(QPoint(20, 20), QSize(50, 50)));
    component->setEditMode(inEditMode);
    QSignalSpy changed(component, &XWidgetStandartComponent::geomertyChanged);

    sendMove(component, grab, Qt::NoButton);
    QCOMPARE(component->testAttribute(Qt::WA_SetCursor), cursor != Qt::ArrowCursor);
    if (cursor != Qt::ArrowCursor)
        QCOMPARE(int(component->cursor().shape()), cursor);

    QTest::mousePress(component, Qt::LeftButton, Qt::NoModifier, grab);
    sendMove(component, moveTo, Qt::LeftButton);
    QCOMPARE(component->size(), expected);
    QCOMPARE(component->pos(), QPoint(20, 20));
    if (expected != QSize(50, 50)) {
        QCOMPARE(m_records.back()->size, expected);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(1).toPoint(), QPoint(0, 0));
        QCOMPARE(changed.at(0).at(2).toSize(), expected - QSize(50, 50));
    } else {
        QCOMPARE(changed.count(), 0);
    }

    QTest::mouseRelease(component, Qt::LeftButton, Qt::NoModifier, moveTo);
    QVERIFY(!component->testAttribute(Qt::WA_SetCursor));
}

QTEST_MAIN(tst_XWidgetStandartComponent)
#include "tst_xwidgetstandartcomponent.moc"
