#include "applicationdata.h"
#include "journalexchangeitem.h"
#include "mainwindow.h"
#include "testappfolder.h"
#include "xstoredfile.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentsettings.h"
#include "xwidgetstandartsettings.h"

#include <QApplication>
#include <QDebug>
#include <QLoggingCategory>
#include <QScriptEngine>
#include <QtTest>

#include <memory>

namespace {
// Built into this test's own widgets_components_lib by its CMakeLists.txt.
const QString VALUE_LIB = QStringLiteral("FixtureValue");
const QString WIDGET_ID = QStringLiteral("w1");
const QString SCRIPT_NAME = QStringLiteral("widget.js");
const int CRITICAL = 3;

enum Road { FromSetter, FromDebugDialog, WidgetName };

// What the script configuration library reports, next to what the scripts
// journal, in the order both happen.
QStringList* s_events = nullptr;
QtMessageHandler s_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (s_events && qstrcmp(context.category, "script_config") == 0) {
        s_events->append(QStringLiteral("config: ") + message);
        return;
    }
    s_previousHandler(type, context, message);
}

}

Q_DECLARE_METATYPE(Road)

// A standard widget with two value components "alpha" and "beta" and the
// script of this test's <app>/scripts/widget.js, and what it journals.
class ScriptedWidget : public QObject
{
    Q_OBJECT

public:
    explicit ScriptedWidget(const QString& scriptName = SCRIPT_NAME)
        : journal(WIDGET_ID)
    {
        record.base.id = WIDGET_ID;
        record.scriptName = scriptName;
        for (const QString& name : { QStringLiteral("alpha"), QStringLiteral("beta") }) {
            auto* component = new XWidgetStandartComponentSettings;
            component->name = name;
            component->libName = VALUE_LIB;
            record.components.append(component);
        }
        record.components.first()->connectToComponent = QStringLiteral("beta");
        connect(&journal, &JournalExchangeItem::addSignal, this, [this](JournalItem* item) {
            entries.append(QStringLiteral("%1/%2/%3").arg(item->source, item->text).arg(item->level));
            if (s_events)
                s_events->append(QStringLiteral("journal: ") + item->text);
            delete item;
        });
    }

    void create()
    {
        parent.resize(400, 300);
        widget.reset(new XWidgetStandart(&record, &journal, &parent));
    }

    XWidgetStandartComponent* component(const QString& name) const
    {
        for (XWidgetStandartComponent* c : widget->components) {
            if (c->settings->name == name)
                return c;
        }
        return nullptr;
    }

    QString evaluate(const QString& expression) const
    {
        const QScriptValue result = widget->engine->evaluate(expression);
        return widget->engine->hasUncaughtException()
            ? QStringLiteral("uncaught: ") + widget->engine->uncaughtException().toString()
            : result.toString();
    }

    XWidgetStandartSettings record;
    JournalExchangeItem journal;
    QWidget parent;
    std::unique_ptr<XWidgetStandart> widget;
    QStringList entries;
};

class tst_XWidgetStandartScript : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void configurationBeforeEvaluation();
    void noScript_data();
    void noScript();
    void scriptText_data();
    void scriptText();
    void evaluationError_data();
    void evaluationError();
    void signalHandlerException();
    void valueHandler_data();
    void valueHandler();
    void fromSetter_data();
    void fromSetter();
    void scriptInterface_data();
    void scriptInterface();
    void loadedSignalsAndParametersAcrossRuns();

private:
    static void writeScript(const QByteArray& text)
    {
        TestAppFolder::writeOwnFile(QStringLiteral("scripts/") + SCRIPT_NAME, text);
    }
    static void send(XWidgetStandartComponent* component, const QVariant& value, QObject* sender)
    {
        emit component->setValueHandlerSignal(component, value, sender);
    }

    QStringList m_events;
};

void tst_XWidgetStandartScript::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("script_config.debug=true"));
    s_previousHandler = qInstallMessageHandler(recordMessage);
}

void tst_XWidgetStandartScript::init()
{
    TestAppFolder::cleanOwnFolder();
    m_events.clear();
    s_events = &m_events;
}

void tst_XWidgetStandartScript::cleanup()
{
    s_events = nullptr;
}

void tst_XWidgetStandartScript::configurationBeforeEvaluation()
{
    writeScript("XObj.journalAdd(\"evaluated\");\n");
    ScriptedWidget w;
    w.create();

    const QString dir = QCoreApplication::applicationDirPath();
    const QVariantMap expected { { QStringLiteral("scriptLocation"), dir + QStringLiteral("/scripts") },
        { QStringLiteral("scriptFileName"), SCRIPT_NAME }, { QStringLiteral("applicationLocation"), dir } };
    QString configured;
    QDebug(&configured) << "configuring" << w.widget->engine << "with" << expected;
    QCOMPARE(m_events,
        QStringList(
            { QStringLiteral("config: ") + configured.trimmed(), QStringLiteral("journal: evaluated") }));
}

void tst_XWidgetStandartScript::noScript_data()
{
    QTest::addColumn<QString>("scriptName");
    QTest::newRow("no script name") << QString();
    QTest::newRow("file does not exist") << QStringLiteral("absent.js");
}

void tst_XWidgetStandartScript::noScript()
{
    QFETCH(QString, scriptName);
    writeScript("function componentSetValueHandler(name, value) { return \"replaced\"; }\n");
    ScriptedWidget w(scriptName);
    w.create();

    QVERIFY(m_events.isEmpty());
    // A widget without a script has no engine to pay for.
    QVERIFY(!w.widget->engine);
    send(w.component(QStringLiteral("alpha")), 5, nullptr);
    QCOMPARE(w.component(QStringLiteral("alpha"))->lastSetValue(), QVariant(5));
    QVERIFY(!w.widget->engine);
    QVERIFY(!w.widget->getScriptObject().property(QStringLiteral("XObj")).isValid());
}

void tst_XWidgetStandartScript::scriptText_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("UTF-8") << QByteArray("XObj.journalAdd(\"Gr\xc3\xbc\xc3\x9f"
                                         "e\");\n")
                           << QStringList { QStringLiteral("w1/Grüße/0") };
    QTest::newRow("text ends at the first zero byte")
        << QByteArray("XObj.journalAdd(\"before\");\n\0XObj.journalAdd(\"after\"); (", 49)
        << QStringList { QStringLiteral("w1/before/0") };
    QTest::newRow("file path as name, first line 1")
        << QByteArray("try { throw new Error(\"where\"); }\n"
                      "catch (e) { XObj.journalAdd(e.fileName + \":\" + e.lineNumber); }\n")
        << QStringList { QStringLiteral("w1/%1:1/0")
                             .arg(TestAppFolder::ownFilePath(QStringLiteral("scripts/") + SCRIPT_NAME)) };
}

void tst_XWidgetStandartScript::scriptText()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, entries);
    writeScript(script);
    ScriptedWidget w;
    w.create();
    QCOMPARE(w.entries, entries);
}

void tst_XWidgetStandartScript::evaluationError_data()
{
    QTest::addColumn<QByteArray>("line7");
    QTest::addColumn<QString>("entry");

    QTest::newRow("thrown error") << QByteArray("throw new Error(\"seven\");")
                                  << QStringLiteral("Script: line 7, Error: seven");
    QTest::newRow("unknown function")
        << QByteArray("nothingLikeThis();")
        << QStringLiteral("Script: line 7, ReferenceError: Can't find variable: "
                          "nothingLikeThis");
    QTest::newRow("syntax error") << QByteArray("var = ;")
                                  << QStringLiteral("Script: line 7, SyntaxError: Parse error");
}

void tst_XWidgetStandartScript::evaluationError()
{
    QFETCH(QByteArray, line7);
    QFETCH(QString, entry);
    writeScript("function componentSetValueHandler(name, value) {\n"
                "    return \"replaced\";\n"
                "}\n"
                "// The handler above is defined, but the script\n"
                "// does not finish,\n"
                "// so it is never installed.\n"
        + line7 + "\n");
    ScriptedWidget w;
    w.create();

    QCOMPARE(w.entries, QStringList { QStringLiteral("w1/%1/%2").arg(entry).arg(CRITICAL) });
    send(w.component(QStringLiteral("alpha")), 5, nullptr);
    QCOMPARE(w.component(QStringLiteral("alpha"))->lastSetValue(), QVariant(5));
}

void tst_XWidgetStandartScript::signalHandlerException()
{
    writeScript("XObj.clicked.connect(function () {\n"
                "    throw new Error(\"click failed\");\n"
                "});\n");
    ScriptedWidget w;
    w.create();
    QVERIFY(w.entries.isEmpty());

    QTest::mouseClick(w.widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseClick(w.widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    const QString entry = QStringLiteral("w1/Script: line 2, Error: click failed/%1").arg(CRITICAL);
    QCOMPARE(w.entries, QStringList({ entry, entry }));
}

void tst_XWidgetStandartScript::valueHandler_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QVariant>("sent");
    QTest::addColumn<QVariant>("delivered");
    QTest::addColumn<int>("entries");

    const QByteArray identity
        = "function componentSetValueHandler(name, value, fromSetter) { return value; }\n";
    QTest::newRow("returns its second argument, number") << identity << QVariant(5) << QVariant(5) << 0;
    QTest::newRow("returns its second argument, text") << identity << QVariant("on") << QVariant("on") << 0;
    QTest::newRow("returns its second argument, invalid") << identity << QVariant() << QVariant() << 0;
    QTest::newRow("returns nothing") << QByteArray("function componentSetValueHandler(name, value) { }\n")
                                     << QVariant(5) << QVariant() << 0;
    QTest::newRow("replaces the value")
        << QByteArray("function componentSetValueHandler(name, value) { return name + \"=\" + value; }\n")
        << QVariant(5) << QVariant("alpha=5") << 0;
    QTest::newRow("no handler") << QByteArray("var unrelated = 1;\n") << QVariant(5) << QVariant(5) << 0;
    QTest::newRow("handler that is no function")
        << QByteArray("var componentSetValueHandler = 3;\n") << QVariant(5) << QVariant(5) << 0;
    QTest::newRow("thrown value is delivered, not reported")
        << QByteArray("function componentSetValueHandler(name, value) { throw \"refused\"; }\n")
        << QVariant(5) << QVariant("refused") << 0;
    QTest::newRow("handler defined only later is never seen") << QByteArray(
        "XObj.standartWidgetsLoaded.connect(function () {\n"
        "    componentSetValueHandler = function () { return \"late\"; };\n"
        "});\n") << QVariant(5) << QVariant(5) << 0;
}

void tst_XWidgetStandartScript::valueHandler()
{
    QFETCH(QByteArray, script);
    QFETCH(QVariant, sent);
    QFETCH(QVariant, delivered);
    QFETCH(int, entries);
    writeScript(script);
    ScriptedWidget w;
    w.record.components.first()->connectToComponent.clear();
    w.create();
    w.widget->standartWidgetsLoadedSlot();

    XWidgetStandartComponent* alpha = w.component(QStringLiteral("alpha"));
    send(alpha, sent, nullptr);
    QCOMPARE(alpha->lastSetValue(), delivered);
    QCOMPARE(w.widget->variables.value(QStringLiteral("alpha")), delivered);
    QCOMPARE(w.entries.size(), entries);
}

void tst_XWidgetStandartScript::fromSetter_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<bool>("alphaHasSetter");
    QTest::addColumn<QStringList>("calls");

    // alpha and beta are linked: a value that alpha takes as its own passes on
    // to beta, with alpha as the sender.
    QTest::newRow("the setter's value, then the connected component")
        << FromSetter << true << QStringList { "alpha:true", "beta:false" };
    QTest::newRow("debug road to a component with a setter")
        << FromDebugDialog << true << QStringList { "alpha:false" };
    QTest::newRow("debug road, then the connected component")
        << FromDebugDialog << false << QStringList { "alpha:false", "beta:false" };
    QTest::newRow("the widget's name, then the connected component")
        << WidgetName << false << QStringList { "beta:false", "alpha:false" };
}

void tst_XWidgetStandartScript::fromSetter()
{
    QFETCH(Road, road);
    QFETCH(bool, alphaHasSetter);
    QFETCH(QStringList, calls);
    writeScript("function componentSetValueHandler(name, value, fromSetter) {\n"
                "    XObj.journalAdd(name + \":\" + fromSetter);\n"
                "    return value;\n"
                "}\n");
    ScriptedWidget w;
    w.record.name = QStringLiteral("Pump 1");
    w.create();
    QVERIFY(w.entries.isEmpty());
    // Stands in for a module that owns alpha's value and for the debug
    // dialog's table model.
    QObject module;
    QObject debugModel;
    XWidgetStandartComponent* alpha = w.component(QStringLiteral("alpha"));
    if (alphaHasSetter)
        alpha->setSetter(&module);

    switch (road) {
    case FromSetter:
        send(alpha, 7, &module);
        break;
    case FromDebugDialog:
        send(alpha, 7, &debugModel);
        break;
    case WidgetName:
        w.record.setNameOnComponent = QStringLiteral("beta");
        w.widget->setNameToComponent();
        break;
    }
    QStringList expected;
    for (const QString& call : calls)
        expected.append(QStringLiteral("w1/%1/0").arg(call));
    QCOMPARE(w.entries, expected);
}

void tst_XWidgetStandartScript::scriptInterface_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QVariantMap>("parameters");
    QTest::addColumn<QStringList>("entries");

    const QVariantMap stored { { "kept", "yes" } };
    auto row = [&](const char* name, const char* expression, const char* result,
                   const QVariantMap& parameters = QVariantMap { { "kept", "yes" } },
                   const QStringList& entries = QStringList()) {
        QTest::newRow(name) << QString::fromUtf8(expression) << QString::fromUtf8(result) << parameters
                            << entries;
    };

    row("variableSet on a component name is refused",
        "XObj.component(\"alpha\").setValue(4, null);"
        "[XObj.variableSet(\"alpha\", 1), XObj.variable(\"alpha\")].join()",
        "false,4");
    row("variableSet on a script variable",
        "XObj.variableAppend(\"v\", 1);"
        "[XObj.variableSet(\"v\", 2), XObj.variable(\"v\")].join()",
        "true,2");
    row("variableSet on an unknown name adds nothing",
        "[XObj.variableSet(\"u\", 1), XObj.variablesList().join()].join(\"|\")", "false|alpha,beta");
    row("variableAppend of an existing name keeps the value",
        "[XObj.variableAppend(\"v\", 1), XObj.variableAppend(\"v\", 2), XObj.variable(\"v\"),"
        " XObj.variableAppend(\"alpha\")].join()",
        "true,false,1,false");
    row("variable of an unknown name adds it",
        "[XObj.variable(\"x\") === undefined, XObj.variablesList().join()].join(\"|\")", "true|alpha,beta,x");
    row("variablesList in ascending order",
        "XObj.variableAppend(\"b0\"); XObj.variableAppend(\"Zed\"); XObj.variablesList().join()",
        "Zed,alpha,b0,beta");
    row("getScriptParameter default is not added", "XObj.getScriptParameter(\"p\", 5)", "5");
    row("getScriptParameter without default", "XObj.getScriptParameter(\"p\") === undefined", "true");
    row("getScriptParameter of a stored parameter", "XObj.getScriptParameter(\"kept\", 5)", "yes");
    row("setScriptParameter adds to the record",
        "XObj.setScriptParameter(\"p\", 6); XObj.setScriptParameter(\"kept\", \"no\");"
        "XObj.getScriptParameter(\"p\", 5)",
        "6", QVariantMap { { "kept", "no" }, { "p", 6 } });
    row("journalAdd with a text alone posts with level 0", "XObj.journalAdd(\"note\")", "undefined", stored,
        { "w1/note/0" });
    row("journalAdd with a level", "XObj.journalAdd(\"bad\", 2)", "undefined", stored, { "w1/bad/2" });
    row("component and getComponent by name and by position",
        "[XObj.component(\"beta\") === null, XObj.component(1) === null, XObj.getComponent(2) === null,"
        " XObj.component(\"gamma\") === null, XObj.component(0) === null, XObj.component(3) === null,"
        " XObj.component(1.5) === null].join()",
        "false,false,false,true,true,true,true");
    row("a component's value set by the script reaches its connected component",
        "XObj.component(\"alpha\").setValue(4, XObj); XObj.variable(\"beta\")", "4");
    row("getScriptObject is the global object", "var marker = 8; XObj.getScriptObject().marker", "8");
    row("id of the base widget", "XObj.id()", "w1");
    row("script signals of the base widget",
        "var got = [];"
        "XObj.xsignal.connect(function (name, number, data) { got.push(name + number + data); });"
        "[XObj.xsignalAppend(\"go\"), XObj.xsignalAppend(\"stop\"), XObj.xsignalList().join()].join();"
        "XObj.xsignalEmit(\"stop\", 5); XObj.xsignalEmit(0, 6); XObj.xsignalEmit(\"none\");"
        "got.join()",
        "stop15,go06,none-1undefined");
    row("exchangeData of the base widget sets script variables only",
        "XObj.variableAppend(\"v\", 1); var m = XObj.exchangeData({ v: 2, alpha: 3, w: 4 });"
        "[m.v, m.alpha === undefined, \"w\" in m].join()",
        "2,true,false");
    row("getOtherWidget of an unknown ID", "XObj.getOtherWidget(\"nobody\") === null", "true");
    row("animationDo", "XObj.animationDo(10); XObj.animationDo(); \"ran\"", "ran");
    row("private slots are not reachable",
        "[typeof XObj.scriptHandlerException, typeof XObj.debugChanged, typeof XObj.allLoadedSlot,"
        " typeof XObj.clicked.connect].join()",
        "undefined,undefined,function,function");
}

void tst_XWidgetStandartScript::scriptInterface()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    QFETCH(QVariantMap, parameters);
    QFETCH(QStringList, entries);
    writeScript("// Everything happens in the test's own evaluations.\n");
    ScriptedWidget w;
    w.record.scriptParameters = QVariantMap { { "kept", "yes" } };
    w.create();

    QCOMPARE(w.evaluate(expression), result);
    QCOMPARE(w.record.scriptParameters, parameters);
    QCOMPARE(w.entries, entries);
}

void tst_XWidgetStandartScript::loadedSignalsAndParametersAcrossRuns()
{
    writeScript("function count(name) {\n"
                "    XObj.setScriptParameter(name, XObj.getScriptParameter(name, 0) + 1);\n"
                "}\n"
                "XObj.standartWidgetsLoaded.connect(function () { count(\"standartWidgetsLoaded\"); });\n"
                "XObj.allLoaded.connect(function () { count(\"allLoaded\"); });\n");
    const QString swPath
        = TestAppFolder::ownFilePath(QStringLiteral("standart_widgets/") + WIDGET_ID + QStringLiteral(".sw"));
    TestAppFolder::writeOwnFile(QStringLiteral("standart_widgets/") + WIDGET_ID + QStringLiteral(".sw"),
        QStringLiteral("{\"base\": {\"id\": \"%1\"}, \"scriptName\": \"%2\","
                       " \"scriptParameters\": {\"kept\": \"yes\"}}")
            .arg(WIDGET_ID, SCRIPT_NAME)
            .toUtf8());

    ApplicationData applicationData;
    for (int run = 1; run <= 2; ++run) {
        {
            MainWindow window(&applicationData);
        }
        QVariantMap stored;
        QVERIFY(XStoredFile::readJsonObject(swPath, &stored));
        const QVariantMap expected { { "kept", "yes" }, { "allLoaded", run },
            { "standartWidgetsLoaded", run } };
        QCOMPARE(stored.value(QStringLiteral("scriptParameters")).toMap(), expected);
    }
}

QTEST_MAIN(tst_XWidgetStandartScript)
#include "tst_xwidgetstandartscript.moc"
