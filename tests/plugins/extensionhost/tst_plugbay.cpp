#include "appglobals.h"
#include "applicationdata.h"
#include "headerfit.h"
#include "journalmodel.h"
#include "loopgapmeter.h"
#include "mainwindow.h"
#include "processstatus.h"
#include "rowtranslation.h"
#include "testappfolder.h"
#include "xmodule.h"
#include "xmodulebase.h"
#include "xmodulestabwidget.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartcomponent.h"
#include "xwidgetstandartcomponentbaseclass.h"
#include "xwidgetstandartcomponentempty.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {
const char MODULE_NAME[] = "Ext";
const char PROBE[] = "ProbeExtension.so";
const char CLEANUP_FILE[] = "probe-cleanup.txt";
const char PAGE_FILE[] = "probe-page.txt";
// What the Debug tab keeps, and what the host keeps of text not shown yet.
const int DEBUG_VIEW_LINES = 5000;
const int DEBUG_PENDING_BYTES = 64 * 1024;
const int WIDGET_COLUMN = 2;
const int COMPONENT_COLUMN = 3;
const int VALUE_COLUMN = 4;

QString extensionDir()
{
    return QStringLiteral(PROBE_EXTENSION_DIR);
}

void writeJson(const QString& relative, const QVariantMap& map)
{
    TestAppFolder::writeOwnFile(relative, QJsonDocument(QJsonObject::fromVariantMap(map)).toJson());
}

QVariantMap readJson(const QString& relative)
{
    return QJsonDocument::fromJson(TestAppFolder::readOwnFile(relative)).object().toVariantMap();
}

void writeExtensionIni(const QString& libFileName)
{
    QFile::remove(extensionDir() + QStringLiteral("/extension.ini"));
    if (libFileName.isNull())
        return;
    QSettings ini(extensionDir() + QStringLiteral("/extension.ini"), QSettings::IniFormat);
    ini.setValue(QStringLiteral("libFileName"), libFileName);
}

// A label that shows its value behind "T=".
QVariantMap vistagShowingValue()
{
    return { { "items",
        QVariantMap { { "0",
            QVariantMap { { "condition", 3 }, { "text", "T=%%value%%" }, { "color", "#000000" } } } } } };
}

// A standard widget file: components named, each with an optional library.
void writeWidget(const QString& id, const QString& name, const QString& group, const QStringList& components,
    const QString& libName = QString())
{
    QVariantMap list;
    for (int i = 0; i < components.size(); ++i) {
        QVariantMap component { { "name", components.at(i) } };
        if (!libName.isEmpty() && i == 0) {
            component.insert("libName", libName);
            component.insert("libSettings", vistagShowingValue());
        }
        list.insert(QString::number(i), component);
    }
    writeJson(QStringLiteral("standart_widgets/%1.sw").arg(id),
        { { "base", QVariantMap { { "id", id }, { "group", group } } }, { "name", name },
            { "components", list } });
}

void writeGroup(const QString& name)
{
    XWidgetGroupSettings record;
    record.name = name;
    QSettings settings(TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("groups/") + name, record.map());
}

QVariantMap component(const QString& label, bool setter, bool writable = false)
{
    return { { "label", label }, { "setter", setter }, { "writable", writable } };
}

QVariantMap binding(const QString& widgetId, const QString& componentName)
{
    return { { "widgetID", widgetId }, { "componentName", componentName } };
}

// Journal entries of the running window, "[level] text", from one source.
QStringList journalOf(const QString& source)
{
    QStringList entries;
    const QVariantMap map = XJournalModel->map();
    for (int i = 0; map.contains(QString::number(i)); ++i) {
        const QVariantMap entry = map.value(QString::number(i)).toMap();
        if (entry.value("sourse").toString() == source)
            entries << QStringLiteral("[%1] %2")
                           .arg(entry.value("level").toInt())
                           .arg(entry.value("text").toString());
    }
    return entries;
}

// Another module's identity as a component's setter.
class ForeignSetter : public QObject
{
};
}

// The Plugbay module in the real host, with test extensions loaded from its
// own folder, bound to standard widgets of the real panel.
class tst_Plugbay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadFailures_data();
    void loadFailures();
    void tabsAndCallOrder();
    void tabsWithoutDebugOrPage_data();
    void tabsWithoutDebugOrPage();
    void extensionThrows_data();
    void extensionThrows();
    void columnTitlesShowInFull_data();
    void columnTitlesShowInFull();
    void debugText_data();
    void debugText();
    void debugStreamShowsEscapedText();
    void debugFromThreadsArrivesWhole();
    void debugViewKeepsTheLatestLines();
    void debugWriteBeyondTheLimit_data();
    void debugWriteBeyondTheLimit();
    void debugFloodKeepsTheNewest();
    void journalLevels();
    void informationMap();
    void bindingSetterRoles_data();
    void bindingSetterRoles();
    void rebindingStopsOldNotices();
    void unbinding_data();
    void unbinding();
    void boundNoticeOncePerRebuild();
    void emptyNameGetsRowButNoNotices();
    void bindingSurvivesComponentRebuild();
    void widgetColumnText_data();
    void widgetColumnText();
    void editorsAndSavedBinding();
    void modelRefreshAndFlags();
    void widthsAndTabRestored_data();
    void widthsAndTabRestored();
    void valueReachesVistagLabel();
    void ourExtensionDrivesTheBoiler();

private:
    void startWindow(const QVariantMap& libSettings = QVariantMap());
    XModuleBase* module() const;
    QObject* probe() const;
    QStringList calls() const;
    void clearCalls();
    void setComponents(const QVariantMap& components);
    QTabWidget* page() const;
    QAbstractItemModel* model() const;
    XWidgetStandartComponent* hostComponent(const QString& widgetId, const QString& name) const;
    void bind(int row, const QString& widgetId, const QString& componentName);
    void extensionSets(const char* operation, QGenericArgument a, QGenericArgument b,
        QGenericArgument c = QGenericArgument());

    std::unique_ptr<ApplicationData> m_applicationData;
    std::unique_ptr<MainWindow> m_window;
};

void tst_Plugbay::initTestCase()
{
    // The component libraries of the stage and the fixture that notes its
    // limits, side by side in a folder of this test's own.
    const QString components = TestAppFolder::ownFilePath(QStringLiteral("widgets_components_lib"));
    if (QFileInfo(components).isSymLink())
        QVERIFY(QFile::remove(components));
    QVERIFY(QDir().mkpath(components));
    const QDir staged(TestAppFolder::stageDir() + QStringLiteral("/widgets_components_lib"));
    QStringList sources;
    for (const QString& entry : staged.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        sources << staged.filePath(entry);
    sources << QStringLiteral(COMPONENT_FIXTURE_DIR "/FixtureRouting.so");
    for (const QString& source : qAsConst(sources)) {
        const QString link = components + QLatin1Char('/') + QFileInfo(source).fileName();
        if (!QFileInfo(link).isSymLink())
            QVERIFY(QFile::link(source, link));
    }
    TestAppFolder::linkStagedFolders();
    const QString library = TestAppFolder::ownFilePath(QStringLiteral("modules_lib/Plugbay.so"));
    if (!QFileInfo(library).isSymLink())
        QVERIFY(QFile::link(TestAppFolder::stageDir() + QStringLiteral("/modules_lib/Plugbay.so"), library));
    // Our own extension, as installed beside the staged module.
    const QString boiler = extensionDir() + QStringLiteral("/Boilersim.so");
    if (!QFileInfo(boiler).isSymLink()) {
        QVERIFY(QFile::link(
            TestAppFolder::stageDir() + QStringLiteral("/modules_lib/PlugbayDir/extension/Boilersim.so"),
            boiler));
    }
}

void tst_Plugbay::init()
{
    TestAppFolder::cleanOwnFolder();
    QFile::remove(extensionDir() + QLatin1Char('/') + QLatin1String(CLEANUP_FILE));
    QFile::remove(extensionDir() + QLatin1Char('/') + QLatin1String(PAGE_FILE));
    writeExtensionIni(QLatin1String(PROBE));
    m_applicationData.reset(new ApplicationData);
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
    writeWidget(QStringLiteral("w1"), QStringLiteral("Pump 1"), QString(), { "a", "b" });
}

void tst_Plugbay::cleanup()
{
    m_window.reset();
    // Module objects go by deleteLater.
    QTRY_VERIFY(XModulesList.isEmpty());
    m_applicationData.reset();
}

void tst_Plugbay::startWindow(const QVariantMap& libSettings)
{
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Plugbay" }, { "libSettings", libSettings } });
    m_window.reset(new MainWindow(m_applicationData.get()));
    QCOMPARE(XModulesList.size(), 1);
    QVERIFY(module());
}

XModuleBase* tst_Plugbay::module() const
{
    return XModulesList.isEmpty() ? nullptr : XModulesList.first()->moduleObject;
}

QObject* tst_Plugbay::probe() const
{
    const QList<QObject*> children = module()->findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly);
    for (QObject* child : children) {
        if (child->inherits("PlugbayBaseClass"))
            return child;
    }
    return nullptr;
}

QStringList tst_Plugbay::calls() const
{
    QStringList result;
    QMetaObject::invokeMethod(probe(), "calls", Q_RETURN_ARG(QStringList, result));
    return result;
}

void tst_Plugbay::clearCalls()
{
    QMetaObject::invokeMethod(probe(), "clearCalls");
}

void tst_Plugbay::setComponents(const QVariantMap& components)
{
    QVERIFY(QMetaObject::invokeMethod(probe(), "setComponents", Q_ARG(QVariantMap, components)));
}

QTabWidget* tst_Plugbay::page() const
{
    return qobject_cast<QTabWidget*>(module()->getWidget());
}

QAbstractItemModel* tst_Plugbay::model() const
{
    return page()->findChild<QTableView*>()->model();
}

XWidgetStandartComponent* tst_Plugbay::hostComponent(const QString& widgetId, const QString& name) const
{
    auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(widgetId));
    return widget ? widget->component(name) : nullptr;
}

void tst_Plugbay::bind(int row, const QString& widgetId, const QString& componentName)
{
    QVERIFY(model()->setData(model()->index(row, WIDGET_COLUMN), widgetId, Qt::EditRole));
    QVERIFY(model()->setData(model()->index(row, COMPONENT_COLUMN), componentName, Qt::EditRole));
}

void tst_Plugbay::extensionSets(
    const char* operation, QGenericArgument a, QGenericArgument b, QGenericArgument c)
{
    QVERIFY(QMetaObject::invokeMethod(probe(), operation, a, b, c));
}

void tst_Plugbay::loadFailures_data()
{
    QTest::addColumn<QString>("libFileName");
    QTest::addColumn<QString>("error");

    QTest::newRow("no extension.ini") << QString() << "Parameter 'libFileName' is empty";
    QTest::newRow("empty libFileName") << ""
                                       << "Parameter 'libFileName' is empty";
    QTest::newRow("library missing") << "Missing.so"
                                     << "Can't load " + extensionDir() + "/Missing.so (";
    QTest::newRow("no makeObject") << "ProbeNoFactory.so"
                                   << "Can't call 'makeObject'";
    QTest::newRow("makeObject returns null") << "ProbeNullObject.so"
                                             << "Can't make extension object";
    QTest::newRow("makeObject throws") << "ProbeThrows.so"
                                       << "Can't make extension object";
    // Found at load, not at the first call, which would end the program.
    QTest::newRow("calls a function the module lacks")
        << "ProbeNeedsMore.so"
        << "Can't load " + extensionDir() + "/ProbeNeedsMore.so (Cannot load library";
}

void tst_Plugbay::loadFailures()
{
    QFETCH(QString, libFileName);
    QFETCH(QString, error);
    writeExtensionIni(libFileName);

    startWindow({ { "extensionParameters", QVariantMap { { "kept", 3 } } } });
    const QStringList journal = journalOf(QLatin1String(MODULE_NAME));
    QCOMPARE(journal.size(), 1);
    QVERIFY2(journal.first().startsWith("[3] Extension load error. " + error), qPrintable(journal.first()));
    QCOMPARE(page()->count(), 1);
    QCOMPARE(page()->tabText(0), QStringLiteral("Components"));
    QCOMPARE(model()->rowCount(), 0);
    const QVariantMap saved = module()->getMap();
    QCOMPARE(saved.keys(),
        (QStringList { "componentsList", "extensionParameters", "lastTabIndex", "tableCollumnWith" }));
    QCOMPARE(saved.value("extensionParameters").toMap().value("kept").toInt(), 3);
}

void tst_Plugbay::columnTitlesShowInFull_data()
{
    QTest::addColumn<QString>("translation");
    QTest::addColumn<QVariantMap>("libSettings");
    QFile demoFile(QStringLiteral(DEMO_MODULE_FILE));
    QVERIFY(demoFile.open(QIODevice::ReadOnly));
    const QVariantMap demo
        = QJsonDocument::fromJson(demoFile.readAll()).object().toVariantMap().value("libSettings").toMap();
    const QString german = TestAppFolder::stageDir() + QStringLiteral("/modules_lib/PlugbayDir/lng/de.qm");
    for (const QString& translation : { QString(), german }) {
        const QByteArray language = translation.isEmpty() ? "English" : "German";
        QTest::newRow(language + ", fresh") << translation << QVariantMap();
        QTest::newRow(language + ", the demo's module") << translation << demo;
    }
}

// At the window's first size every column is on screen, its title whole.
void tst_Plugbay::columnTitlesShowInFull()
{
    QFETCH(QVariantMap, libSettings);
    RowTranslation translation;
    QVERIFY(translation.loaded());
    startWindow(libSettings);
    QWidget* window = page()->window();
    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    tabs->setCurrentWidget(window->findChild<XModulesTabWidget*>());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* table = page()->findChild<QTableView*>();
    const QStringList cut = waitForFullColumnTitles(table);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
    const QHeaderView* header = table->horizontalHeader();
    const int last = header->count() - 1;
    const QString lastTitle = table->model()->headerData(last, Qt::Horizontal).toString();
    const int lastNeeded = header->fontMetrics().horizontalAdvance(lastTitle)
        + 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    QVERIFY2(header->sectionViewportPosition(last) + lastNeeded <= table->viewport()->width(),
        qPrintable(QStringLiteral("%1 at %2, the table %3 wide")
                       .arg(lastTitle)
                       .arg(header->sectionViewportPosition(last))
                       .arg(table->viewport()->width())));
}

void tst_Plugbay::tabsAndCallOrder()
{
    startWindow({ { "extensionParameters", QVariantMap { { "runs", 4 } } } });
    QCOMPARE(page()->count(), 3);
    QCOMPARE(page()->tabText(0), QStringLiteral("Components"));
    QCOMPARE(page()->tabText(1), QStringLiteral("Debug"));
    QCOMPARE(page()->tabText(2), QStringLiteral("Probe page"));
    QCOMPARE(qobject_cast<QLabel*>(page()->widget(2))->text(), QStringLiteral("probe page"));
    QCOMPARE(calls(),
        (QStringList { "makeObject {\"runs\":4}", "x_setDebug", "x_setAdditionInformation",
            "x_debugIsEnabled", "x_start", "x_getWidget", "x_widgetName", "x_allLoaded" }));

    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, "some text")));
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    QTRY_COMPARE(view->toPlainText(), QStringLiteral("some text"));
    QTest::mouseClick(page()->widget(1)->findChild<QPushButton*>(), Qt::LeftButton);
    QCOMPARE(view->toPlainText(), QString());

    // The module and with it the extension go at exit, after the parameters
    // were taken, and the extension's clean-up runs.
    m_window.reset();
    QFile notes(extensionDir() + QLatin1Char('/') + QLatin1String(CLEANUP_FILE));
    QVERIFY(notes.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(notes.readAll()).endsWith("x_getParameters"));
    // Its page went first, while the extension it may call was still there.
    QCOMPARE(TestAppFolder::readOwnFile(
                 QStringLiteral("modules_lib/PlugbayDir/extension/") + QLatin1String(PAGE_FILE)),
        QByteArray("closed before its extension"));
    const QVariantMap saved = readJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)))
                                  .value("libSettings")
                                  .toMap();
    QCOMPARE(saved.value("extensionParameters").toMap().value("runs").toInt(), 5);
}

void tst_Plugbay::tabsWithoutDebugOrPage_data()
{
    QTest::addColumn<bool>("debug");
    QTest::addColumn<bool>("page");
    QTest::addColumn<QStringList>("tabs");

    QTest::newRow("neither") << false << false << QStringList { "Components" };
    QTest::newRow("Debug tab only") << true << false << QStringList { "Components", "Debug" };
    QTest::newRow("page only") << false << true << QStringList { "Components", "Probe page" };
}

void tst_Plugbay::tabsWithoutDebugOrPage()
{
    QFETCH(bool, debug);
    QFETCH(bool, page);
    QFETCH(QStringList, tabs);
    startWindow({ { "extensionParameters", QVariantMap { { "noDebug", !debug }, { "noPage", !page } } },
        { "lastTabIndex", 1 } });
    QStringList shown;
    for (int i = 0; i < this->page()->count(); ++i)
        shown << this->page()->tabText(i);
    QCOMPARE(shown, tabs);
    QCOMPARE(this->page()->currentIndex(), tabs.size() > 1 ? 1 : 0);
    // Debug text without a tab to show it goes nowhere, harmlessly.
    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, "unseen")));
    setComponents({ { "x", component("X", true, true) } });
    bind(0, "w1", "a");
    QCOMPARE(hostComponent("w1", "a")->setter(), probe());

    m_window.reset();
    QTRY_VERIFY(QFile::exists(extensionDir() + QLatin1Char('/') + QLatin1String(CLEANUP_FILE)));
    const QVariantMap saved = readJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)))
                                  .value("libSettings")
                                  .toMap();
    QCOMPARE(saved.value("componentsList").toMap().value("x").toMap(), binding("w1", "a"));
    QCOMPARE(saved.value("extensionParameters").toMap().value("runs").toInt(), 1);
}

void tst_Plugbay::extensionThrows_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<int>("rows");

    const QStringList all { "Components", "Debug", "Probe page" };
    QTest::newRow("x_setDebug") << "x_setDebug" << all << 1;
    QTest::newRow("x_setAdditionInformation") << "x_setAdditionInformation" << all << 1;
    QTest::newRow("x_debugIsEnabled") << "x_debugIsEnabled" << QStringList { "Components", "Probe page" } << 1;
    QTest::newRow("x_start") << "x_start" << all << 1;
    QTest::newRow("x_getWidget") << "x_getWidget" << QStringList { "Components", "Debug" } << 1;
    QTest::newRow("x_widgetName") << "x_widgetName" << QStringList { "Components", "Debug", "" } << 1;
    QTest::newRow("x_allLoaded") << "x_allLoaded" << all << 1;
    QTest::newRow("x_getParameters") << "x_getParameters" << all << 1;
    QTest::newRow("x_getComponentsList") << "x_getComponentsList" << all << 0;
    QTest::newRow("x_widgetComponentConnected") << "x_widgetComponentConnected" << all << 1;
    QTest::newRow("x_componentValueUpdated") << "x_componentValueUpdated" << all << 1;
    QTest::newRow("x_componentReturnValueUpdated") << "x_componentReturnValueUpdated" << all << 1;
}

// Whatever an extension throws stops at the module: a critical journal
// entry, and the module goes on as if the call had returned its default.
void tst_Plugbay::extensionThrows()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, tabs);
    QFETCH(int, rows);
    const QVariantMap parameters { { "throwIn", QStringList { operation } }, { "runs", 6 } };
    startWindow({ { "extensionParameters", parameters } });
    QStringList shown;
    for (int i = 0; i < page()->count(); ++i)
        shown << page()->tabText(i);
    QCOMPARE(shown, tabs);

    setComponents({ { "x", component("X", true, true) } });
    QCOMPARE(model()->rowCount(), rows);
    if (rows > 0) {
        bind(0, "w1", "a");
        XWidgetStandartComponent* a = hostComponent("w1", "a");
        QCOMPARE(a->setter(), probe());
        a->setValueHandler(1, probe());
        a->setReturnValue(7);
    }
    // The parameters the extension could not give are the ones it was given.
    const QVariantMap saved = module()->getMap();
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved.value("extensionParameters").toMap().value("runs").toInt(),
        operation == "x_getParameters" ? 6 : 7);

    const QString entry
        = QStringLiteral("[3] The extension failed in %1 (probe fails in %1)").arg(operation);
    QVERIFY2(journalOf(QLatin1String(MODULE_NAME)).contains(entry),
        qPrintable(journalOf(QLatin1String(MODULE_NAME)).join('\n')));
    m_window.reset();
    QTRY_VERIFY(QFile::exists(extensionDir() + QLatin1Char('/') + QLatin1String(CLEANUP_FILE)));
}

void tst_Plugbay::debugText_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("shown");

    QTest::newRow("an escape becomes its character") << QByteArray("letter \\u0041") << "letter A";
    QTest::newRow("the same escape twice in one batch") << QByteArray("\\u0041-\\u0041") << "A-A";
    QTest::newRow("non-ASCII escape") << QByteArray("t=20\\u00B0C") << QString::fromUtf8("t=20\u00B0C");
    QTest::newRow("a cut escape at the end stays") << QByteArray("cut \\u004") << "cut \\u004";
    QTest::newRow("UTF-8 passes, text after a zero byte does not")
        << QByteArray("gr\xc3\xbc\xc3\x9f\0hidden", 12) << QString::fromUtf8("gr\u00fc\u00df");
}

void tst_Plugbay::debugText()
{
    QFETCH(QByteArray, written);
    QFETCH(QString, shown);
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();

    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, written)));
    QTRY_COMPARE(view->toPlainText(), shown);
    // The device starts empty again: the next batch is a paragraph of its own.
    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, "next")));
    QTRY_COMPARE(view->toPlainText(), shown + QStringLiteral("\nnext"));
}

void tst_Plugbay::debugStreamShowsEscapedText()
{
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    // The stream quotes a text and writes characters it cannot print, like
    // the zero-width space, as escapes; the tab shows the characters again.
    const QString text = QString::fromUtf8("20\u00B0C\u200B");
    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebugStream", Q_ARG(QString, text)));
    QTRY_COMPARE(view->toPlainText(), QLatin1Char('"') + text + QStringLiteral("\" "));
}

void tst_Plugbay::debugFromThreadsArrivesWhole()
{
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    const int threads = 4;
    const int lines = 1000;
    QVERIFY(QMetaObject::invokeMethod(
        probe(), "writeDebugFromThreads", Q_ARG(int, threads), Q_ARG(int, lines)));

    const QRegularExpression token(QStringLiteral("\\[t(\\d+) (\\d+)\\]"));
    QSet<QString> seen;
    QString rest;
    QVERIFY(QTest::qWaitFor(
        [&] {
            seen.clear();
            rest = view->toPlainText().remove(QLatin1Char('\n'));
            for (auto match = token.globalMatch(rest); match.hasNext();)
                seen.insert(match.next().captured(0));
            return seen.size() == threads * lines;
        },
        10000));
    // Nothing but whole tokens, each once.
    QCOMPARE(rest.remove(token), QString());
}

void tst_Plugbay::debugViewKeepsTheLatestLines()
{
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    QByteArray text;
    const int written = DEBUG_VIEW_LINES + 100;
    for (int i = 0; i < written; ++i)
        text += (i ? "\nline " : "line ") + QByteArray::number(i);
    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, text)));
    QTRY_COMPARE(view->document()->lastBlock().text(), QStringLiteral("line %1").arg(written - 1));
    QCOMPARE(view->document()->blockCount(), DEBUG_VIEW_LINES);
    QCOMPARE(view->document()->firstBlock().text(), QStringLiteral("line 100"));

    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, "next")));
    QTRY_COMPARE(view->document()->lastBlock().text(), QStringLiteral("next"));
    QCOMPARE(view->document()->blockCount(), DEBUG_VIEW_LINES);
    QCOMPARE(view->document()->firstBlock().text(), QStringLiteral("line 101"));
}

void tst_Plugbay::debugWriteBeyondTheLimit_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("shown");

    // 1000 lines of 99 bytes: 99,999 bytes, of which the newest 64 KiB are
    // kept from the first line that starts within them.
    QByteArrayList lines;
    for (int i = 0; i < 1000; ++i)
        lines << QByteArray::number(i).rightJustified(99, '.');
    QTest::newRow("lines: the newest kept from a line's start")
        << lines.join('\n') << 345 * 100 << QString::fromLatin1(lines.mid(345).join('\n'));
    // 30,000 lines of 4 bytes: 16,384 of them kept, more than the tab shows.
    QByteArrayList shortLines;
    for (int i = 0; i < 30000; ++i)
        shortLines << QByteArray::number(i % 1000).rightJustified(3, '0');
    QTest::newRow("more lines than the tab shows: the notice stays on top")
        << shortLines.join('\n') << 13616 * 4
        << QString::fromLatin1(shortLines.mid(30000 - (DEBUG_VIEW_LINES - 1)).join('\n'));
    QTest::newRow("one line longer than what is kept")
        << QByteArray(100000, 'x') << 100000 - DEBUG_PENDING_BYTES << QString(DEBUG_PENDING_BYTES, 'x');
    // Two bytes a character: the cut falls inside one and moves past it.
    const QByteArray umlaut("\xc3\xa4");
    QTest::newRow("kept from a whole character") << umlaut.repeated(50000) + "x" << 34466
                                                 << QString(32767, QChar(0xe4)) + QLatin1Char('x');
}

// What is written at once beyond what the host keeps: the newest is shown,
// after a line that says how much went.
void tst_Plugbay::debugWriteBeyondTheLimit()
{
    QFETCH(QByteArray, written);
    QFETCH(int, dropped);
    QFETCH(QString, shown);
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();

    QVERIFY(QMetaObject::invokeMethod(probe(), "writeDebug", Q_ARG(QByteArray, written)));
    QTRY_COMPARE(view->toPlainText(), QStringLiteral("[%1 bytes of debug text dropped]\n").arg(dropped) + shown);
}

// An extension writes debug lines from a thread of its own, on a QDebug of
// its own, without pause: the host keeps the newest text, says how much it
// dropped, and neither its memory nor the window's time goes with the flood.
void tst_Plugbay::debugFloodKeepsTheNewest()
{
    startWindow();
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    QVERIFY(view);
    const qint64 before = processStatusKiB("VmRSS:");
    QVERIFY(before > 0);
    const LoopGapMeter loop;
    const QRegularExpression dropped(QStringLiteral("^\\[\\d+ bytes of debug text dropped\\]$"),
        QRegularExpression::MultilineOption);

    QVERIFY(QMetaObject::invokeMethod(probe(), "startDebugFlood"));
    const auto floodLines = [this] {
        qint64 lines = 0;
        QMetaObject::invokeMethod(probe(), "floodLines", Q_RETURN_ARG(qint64, lines));
        return lines;
    };
    // Far more than the host may keep, and shown dropped.
    const bool floodShown = QTest::qWaitFor(
        [&] { return floodLines() > 2000000 && view->toPlainText().contains(dropped); }, 15000);
    qint64 written = 0;
    QVERIFY(QMetaObject::invokeMethod(probe(), "stopDebugFlood", Q_RETURN_ARG(qint64, written)));
    QVERIFY2(floodShown, qPrintable(QStringLiteral("%1 lines written").arg(written)));
    // Each line ends with a line break: the newest line stands before the last, empty one.
    QTRY_COMPARE(view->document()->lastBlock().previous().text(), QStringLiteral("flood %1").arg(written - 1));

    QVERIFY2(loop.longestGapMs() < 2000, qPrintable(QStringLiteral("%1 ms").arg(loop.longestGapMs())));
    const qint64 grown = processStatusKiB("VmRSS:") - before;
    QVERIFY2(grown < 100 * 1024, qPrintable(QStringLiteral("%1 KiB").arg(grown)));
}

void tst_Plugbay::journalLevels()
{
    startWindow();
    for (int level : { 0, 1, 2, 3, 4, -1 }) {
        QVERIFY(QMetaObject::invokeMethod(
            probe(), "journal", Q_ARG(QString, QStringLiteral("level %1").arg(level)), Q_ARG(int, level)));
    }
    QCOMPARE(journalOf(QLatin1String(MODULE_NAME)),
        (QStringList { "[0] level 0", "[1] level 1", "[2] level 2", "[3] level 3" }));
}

void tst_Plugbay::informationMap()
{
    const QStringList keys { "email", "fullName", "icq", "jabber", "password", "phone", "post" };
    QVariantMap users;
    QVariantMap expected;
    for (const QString& name : { QStringLiteral("anna"), QStringLiteral("bert") }) {
        QVariantMap card { { "userName", name } };
        QVariantMap handedCard;
        for (const QString& key : keys) {
            card.insert(key, name + QLatin1Char(' ') + key);
            handedCard.insert(key, name + QLatin1Char(' ') + key);
        }
        users.insert(QString::number(users.size() + 1), card);
        expected.insert(name, handedCard);
    }
    writeJson(QStringLiteral("users"), users);
    startWindow();

    QVariantMap info;
    QMetaObject::invokeMethod(probe(), "info", Q_RETURN_ARG(QVariantMap, info));
    QCOMPARE(info.keys(), (QStringList { "dirs", "transtale", "users" }));
    QCOMPARE(info.value("transtale").toString(), XLanguage);
    QCOMPARE(info.value("dirs").toMap(),
        (QVariantMap { { "extension", TestAppFolder::ownFilePath("modules_lib/PlugbayDir/extension") },
            { "content", TestAppFolder::ownFilePath("content/") } }));
    QCOMPARE(info.value("users").toMap(), expected);
}

void tst_Plugbay::bindingSetterRoles_data()
{
    QTest::addColumn<bool>("foreignSetter");
    QTest::addColumn<bool>("setterFlag");
    QTest::addColumn<bool>("flagOffAfterBinding");
    QTest::addColumn<bool>("extensionIsSetter");
    QTest::addColumn<bool>("limitsPass");
    QTest::addColumn<int>("conflicts");

    QTest::newRow("free component: setter taken, writable given")
        << false << true << false << true << true << 0;
    QTest::newRow("another module's components: one conflict each, limits without effect")
        << true << true << false << false << false << 1;
    QTest::newRow("setter flag turned off while bound: role kept, limits without effect")
        << false << true << true << true << false << 0;
    QTest::newRow("no setter wish: the component stays free")
        << false << false << false << false << false << 0;
}

void tst_Plugbay::bindingSetterRoles()
{
    QFETCH(bool, foreignSetter);
    QFETCH(bool, setterFlag);
    QFETCH(bool, flagOffAfterBinding);
    QFETCH(bool, extensionIsSetter);
    QFETCH(bool, limitsPass);
    QFETCH(int, conflicts);
    // "r" notes the ranges it is given; "a" holds a value only.
    writeWidget(
        QStringLiteral("w2"), QStringLiteral("Pump 2"), QString(), { "r" }, QStringLiteral("FixtureRouting"));
    startWindow();
    XWidgetStandartComponent* a = hostComponent("w1", "a");
    XWidgetStandartComponent* r = hostComponent("w2", "r");
    QVERIFY(r && r->object);
    auto* object = static_cast<XWidgetStandartComponentEmpty*>(a->object);
    ForeignSetter foreign;
    if (foreignSetter) {
        a->setSetter(&foreign);
        r->setSetter(&foreign);
    }
    // A value-only component reports its value only while it is writable.
    object->setValue(QStringLiteral("before"));
    object->setWritable(false);
    auto writable = [object] { return object->getValue().isValid(); };

    setComponents({ { "x", component("X", setterFlag, true) }, { "y", component("Y", setterFlag, true) } });
    bind(0, "w1", "a");
    bind(1, "w2", "r");
    if (flagOffAfterBinding)
        setComponents({ { "x", component("X", false, true) }, { "y", component("Y", false, true) } });

    QObject* expectedSetter = extensionIsSetter ? probe() : (foreignSetter ? &foreign : nullptr);
    QCOMPARE(a->setter(), expectedSetter);
    // Writable since binding exactly when the extension took the role.
    QCOMPARE(writable(), extensionIsSetter);
    const QStringList conflict { "[3] Conflict of setters. Widget <w1>, component <a>",
        "[3] Conflict of setters. Widget <w2>, component <r>" };
    QCOMPARE(journalOf(QLatin1String(MODULE_NAME)), conflicts ? conflict : QStringList());

    object->setWritable(true);
    extensionSets("x_componentSetWritable", Q_ARG(QString, "x"), Q_ARG(bool, false));
    QCOMPARE(writable(), !limitsPass);
    const int rangesBefore = r->object->property("rangeCount").toInt();
    extensionSets("x_componentSetRange", Q_ARG(QString, "y"), Q_ARG(double, 2.0), Q_ARG(double, 8.0));
    QCOMPARE(r->object->property("rangeCount").toInt() - rangesBefore, limitsPass ? 1 : 0);
    if (limitsPass)
        QCOMPARE(r->object->property("range"), QVariant(QVariantList { 2.0, 8.0 }));
    // A conflict is told once, not again at each refused limit.
    QCOMPARE(journalOf(QLatin1String(MODULE_NAME)).size(), conflicts * conflict.size());

    // Values go through the component's value handler, which decides by its
    // own setter rules: another setter keeps the value as a return value.
    extensionSets("x_componentSetValue", Q_ARG(QString, "x"), Q_ARG(QVariant, 42));
    QCOMPARE(a->lastSetValue(), foreignSetter ? QVariant("before") : QVariant(42));

    clearCalls();
    object->setWritable(true);
    a->setReturnValue(7);
    const bool returnReaches = extensionIsSetter;
    QCOMPARE(calls().contains("x_componentReturnValueUpdated x=7"), returnReaches);
}

void tst_Plugbay::rebindingStopsOldNotices()
{
    startWindow();
    setComponents({ { "x", component("X", true, true) } });
    bind(0, "w1", "a");
    XWidgetStandartComponent* a = hostComponent("w1", "a");
    XWidgetStandartComponent* b = hostComponent("w1", "b");
    QCOMPARE(a->setter(), probe());

    QVERIFY(model()->setData(model()->index(0, COMPONENT_COLUMN), "b", Qt::EditRole));
    QCOMPARE(b->setter(), probe());
    // Setter roles change only for the component being bound.
    QCOMPARE(a->setter(), probe());

    clearCalls();
    a->setValueHandler(1, probe());
    a->setValueHandler(2, probe());
    b->setValueHandler(3, probe());
    QCOMPARE(calls(), QStringList { "x_componentValueUpdated x=3" });
    QCOMPARE(model()->data(model()->index(0, VALUE_COLUMN)).toInt(), 3);
}

void tst_Plugbay::unbinding_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("deleteWidget");

    QTest::newRow("widget ID cleared") << WIDGET_COLUMN << false;
    QTest::newRow("component name cleared") << COMPONENT_COLUMN << false;
    QTest::newRow("bound widget deleted") << -1 << true;
}

void tst_Plugbay::unbinding()
{
    QFETCH(int, column);
    QFETCH(bool, deleteWidget);
    startWindow();
    setComponents({ { "x", component("X", true, true) } });
    bind(0, "w1", "a");
    QPointer<XWidgetStandartComponent> a = hostComponent("w1", "a");

    if (deleteWidget) {
        auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID("w1"));
        emit widget->deleteMe(widget);
        QTRY_VERIFY(!a);
        // The table hears of the deletion through a queued call.
        QTRY_COMPARE(model()->data(model()->index(0, WIDGET_COLUMN)).toString(), QStringLiteral("[w1]"));
    } else {
        QVERIFY(model()->setData(model()->index(0, column), QString(), Qt::EditRole));
        QCOMPARE(a->setter(), probe());
    }

    const QModelIndex widgetCell = model()->index(0, WIDGET_COLUMN);
    QCOMPARE(model()->data(widgetCell, Qt::DecorationRole).isNull(), column == COMPONENT_COLUMN);
    QVERIFY(!model()->data(model()->index(0, COMPONENT_COLUMN), Qt::DecorationRole).isNull());
    QCOMPARE(model()->data(widgetCell).toString(),
        column == WIDGET_COLUMN ? QString() : (deleteWidget ? "[w1]" : "Pump 1 [w1]"));

    clearCalls();
    extensionSets("x_componentSetValue", Q_ARG(QString, "x"), Q_ARG(QVariant, 5));
    if (a) {
        a->setValueHandler(6, nullptr);
        QCOMPARE(a->lastSetValue(), QVariant());
    }
    QCOMPARE(calls(), QStringList());
    QCOMPARE(model()->data(model()->index(0, VALUE_COLUMN)).toInt(), 5);
}

void tst_Plugbay::boundNoticeOncePerRebuild()
{
    writeWidget(QStringLiteral("w2"), QStringLiteral("Pump 2"), QString(), { "c" });
    startWindow({ { "componentsList",
        QVariantMap { { "x", binding("w1", "a") }, { "y", binding("w2", "c") },
            { "z", binding("w2", "nothing") } } } });
    const QVariantMap list { { "x", component("X", true) }, { "y", component("Y", false) },
        { "z", component("Z", true) } };
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        clearCalls();
        setComponents(list);
        QCOMPARE(calls(), (QStringList { "x_widgetComponentConnected x", "x_widgetComponentConnected y" }));
    }
    QCOMPARE(model()->rowCount(), 3);

    // A dropped component loses its row but keeps its saved binding.
    setComponents({ { "y", component("Y", false) } });
    QCOMPARE(model()->rowCount(), 1);
    QCOMPARE(module()->getMap().value("componentsList").toMap().value("x").toMap(),
        (QVariantMap { { "widgetID", "w1" }, { "componentName", "a" } }));
}

void tst_Plugbay::emptyNameGetsRowButNoNotices()
{
    startWindow();
    setComponents({ { "", component("nameless", true, true) }, { "never bound", component("N", false) } });
    QCOMPARE(model()->rowCount(), 2);
    clearCalls();
    bind(0, "w1", "a");
    QCOMPARE(hostComponent("w1", "a")->setter(), probe());
    hostComponent("w1", "a")->setValueHandler(9, probe());
    QCOMPARE(calls(), QStringList());

    // An extension component never bound is saved with an empty binding.
    const QVariantMap saved = module()->getMap().value("componentsList").toMap();
    QVERIFY(saved.contains("never bound"));
    QVERIFY(saved.value("never bound").toMap().value("widgetID").toString().isEmpty());
}

void tst_Plugbay::bindingSurvivesComponentRebuild()
{
    startWindow();
    setComponents({ { "x", component("X", true, true) } });
    bind(0, "w1", "a");
    auto* widget = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID("w1"));

    // As the settings dialog does on "OK": new components from the records,
    // then the old ones handed to deleteLater().
    const QList<XWidgetStandartComponent*> old = widget->components;
    widget->components.clear();
    widget->acceptSettings();
    QCOMPARE(widget->components.size(), old.size());
    for (XWidgetStandartComponent* component : old)
        component->deleteLater();
    QPointer<XWidgetStandartComponent> gone = old.first();
    QTRY_VERIFY(!gone);

    XWidgetStandartComponent* a = hostComponent("w1", "a");
    QTRY_COMPARE(a->setter(), probe());
    clearCalls();
    extensionSets("x_componentSetValue", Q_ARG(QString, "x"), Q_ARG(QVariant, 11));
    QCOMPARE(a->lastSetValue().toInt(), 11);
    QCOMPARE(calls(), QStringList { "x_componentValueUpdated x=11" });
}

void tst_Plugbay::widgetColumnText_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("boundId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("marked");

    QTest::newRow("in a group") << "Hall"
                                << "w17"
                                << "Hall, Pump 1 [w17]" << false;
    QTest::newRow("on the panel") << ""
                                  << "w17"
                                  << "Pump 1 [w17]" << false;
    QTest::newRow("an ID no widget has") << ""
                                         << "w18"
                                         << "[w18]" << true;
}

void tst_Plugbay::widgetColumnText()
{
    QFETCH(QString, group);
    QFETCH(QString, boundId);
    QFETCH(QString, text);
    QFETCH(bool, marked);
    if (!group.isEmpty())
        writeGroup(group);
    writeWidget(QStringLiteral("w17"), QStringLiteral("Pump 1"), group, { "a" });
    startWindow({ { "componentsList", QVariantMap { { "x", binding(boundId, "a") } } } });
    setComponents({ { "x", component("X", true) } });

    const QModelIndex cell = model()->index(0, WIDGET_COLUMN);
    QCOMPARE(model()->data(cell).toString(), text);
    QCOMPARE(!model()->data(cell, Qt::DecorationRole).isNull(), marked);
    if (marked) {
        const QPixmap mark = model()->data(cell, Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(mark.size(), QSize(10, 10));
        QCOMPARE(mark.toImage().pixelColor(5, 5), QColor(255, 0, 0));
    }
    QCOMPARE(model()->data(model()->index(0, 1)).toString(), QStringLiteral("(S) x"));
}

void tst_Plugbay::editorsAndSavedBinding()
{
    writeGroup(QStringLiteral("Hall"));
    writeWidget(QStringLiteral("g1"), QStringLiteral("In hall"), QStringLiteral("Hall"), { "c" });
    writeWidget(
        QStringLiteral("w2"), QStringLiteral("Pump 2"), QString(), { "m", "n" }, QStringLiteral("Missing"));
    startWindow();
    setComponents({ { "x", component("X", false) } });
    auto* view = page()->findChild<QTableView*>();
    QAbstractItemDelegate* delegate = view->itemDelegate();
    const QStyleOptionViewItem option;

    std::unique_ptr<QWidget> widgetEditor(
        delegate->createEditor(view, option, model()->index(0, WIDGET_COLUMN)));
    auto* widgets = qobject_cast<QComboBox*>(widgetEditor.get());
    QVERIFY(widgets && widgets->isEditable());
    QStringList ids;
    for (int i = 0; i < widgets->count(); ++i)
        ids << widgets->itemText(i);
    // Grouped widgets first; then the panel's own, in the order they were
    // loaded in (file-name order).
    QCOMPARE(ids, (QStringList { "", "g1", "w1", "w2" }));

    widgets->setCurrentText("w2");
    delegate->setModelData(widgets, model(), model()->index(0, WIDGET_COLUMN));
    std::unique_ptr<QWidget> componentEditor(
        delegate->createEditor(view, option, model()->index(0, COMPONENT_COLUMN)));
    auto* names = qobject_cast<QComboBox*>(componentEditor.get());
    QVERIFY(names && !names->isEditable());
    QStringList offered;
    for (int i = 0; i < names->count(); ++i)
        offered << names->itemText(i);
    // "m" names a library that is not there: it has no object to bind.
    QCOMPARE(offered, (QStringList { "", "n" }));
    names->setCurrentText("n");
    delegate->setModelData(names, model(), model()->index(0, COMPONENT_COLUMN));
    QCOMPARE(module()->getMap().value("componentsList").toMap().value("x").toMap(), binding("w2", "n"));

    // The empty entry unbinds, marked in both columns and saved at once.
    widgets->setCurrentIndex(0);
    delegate->setModelData(widgets, model(), model()->index(0, WIDGET_COLUMN));
    QVERIFY(!model()->data(model()->index(0, WIDGET_COLUMN), Qt::DecorationRole).isNull());
    QVERIFY(!model()->data(model()->index(0, COMPONENT_COLUMN), Qt::DecorationRole).isNull());
    QCOMPARE(module()->getMap().value("componentsList").toMap().value("x").toMap(), binding("", "n"));
}

void tst_Plugbay::modelRefreshAndFlags()
{
    startWindow();
    setComponents({ { "x", component("X", true, true) }, { "y", component("Y", false) } });
    bind(0, "w1", "a");
    QAbstractItemModel* table = model();
    QCOMPARE(table->rowCount(), 2);
    for (int column = 0; column < table->columnCount(); ++column) {
        const bool editable = column == WIDGET_COLUMN || column == COMPONENT_COLUMN;
        QCOMPARE(table->flags(table->index(0, column)),
            Qt::ItemIsSelectable | Qt::ItemIsEnabled | (editable ? Qt::ItemIsEditable : Qt::NoItemFlags));
    }
    QCOMPARE(table->flags(QModelIndex()), Qt::NoItemFlags);

    // A value notice refreshes the Value column of every row, and no more.
    QSignalSpy changed(table, &QAbstractItemModel::dataChanged);
    hostComponent("w1", "a")->setValueHandler(12, probe());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), table->index(0, VALUE_COLUMN));
    QCOMPARE(changed.first().at(1).toModelIndex(), table->index(1, VALUE_COLUMN));
    QCOMPARE(table->data(table->index(0, VALUE_COLUMN)).toInt(), 12);
    // Editing a binding saves it without a change notice.
    changed.clear();
    QVERIFY(table->setData(table->index(1, WIDGET_COLUMN), "w1", Qt::EditRole));
    QCOMPARE(changed.size(), 0);
    QVERIFY(!table->setData(table->index(1, VALUE_COLUMN), 3, Qt::EditRole));
    QVERIFY(!table->setData(table->index(1, WIDGET_COLUMN), "w1", Qt::DisplayRole));
}

void tst_Plugbay::widthsAndTabRestored_data()
{
    QTest::addColumn<QVariantList>("widths");
    QTest::addColumn<int>("lastTab");
    QTest::addColumn<int>("currentTab");

    QTest::newRow("longer width list: first four columns, tab 2")
        << QVariantList { 50, 60, 70, 80, 90, 100 } << 2 << 2;
    QTest::newRow("tab that does not exist leaves the first") << QVariantList { 55 } << 7 << 0;
}

void tst_Plugbay::widthsAndTabRestored()
{
    QFETCH(QVariantList, widths);
    QFETCH(int, lastTab);
    QFETCH(int, currentTab);
    startWindow({ { "tableCollumnWith", widths }, { "lastTabIndex", lastTab } });
    auto* view = page()->findChild<QTableView*>();
    for (int i = 0; i < qMin(4, widths.size()); ++i)
        QCOMPARE(view->columnWidth(i), widths.at(i).toInt());
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    QCOMPARE(page()->currentIndex(), currentTab);

    view->setColumnWidth(1, 150);
    page()->setCurrentIndex(1);
    const QVariantMap saved = module()->getMap();
    QCOMPARE(saved.value("tableCollumnWith").toList().value(1).toInt(), 150);
    QCOMPARE(saved.value("tableCollumnWith").toList().size(), 4);
    QCOMPARE(saved.value("lastTabIndex").toInt(), 1);
}

void tst_Plugbay::valueReachesVistagLabel()
{
    writeWidget(
        QStringLiteral("label"), QStringLiteral("Label"), QString(), { "text" }, QStringLiteral("Vistag"));
    startWindow({ { "componentsList", QVariantMap { { "x", binding("label", "text") } } } });
    setComponents({ { "x", component("X", true) } });
    XWidgetStandartComponent* text = hostComponent("label", "text");
    QVERIFY(text->object);
    extensionSets("x_componentSetValue", Q_ARG(QString, "x"), Q_ARG(QVariant, QStringLiteral("73.5")));
    auto* label = qobject_cast<QLabel*>(text->object->getInsideObject(QStringLiteral("value")));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("T=73.5"));
}

void tst_Plugbay::ourExtensionDrivesTheBoiler()
{
    writeExtensionIni(QStringLiteral("Boilersim.so"));
    writeWidget(QStringLiteral("boiler"), QStringLiteral("Boiler"), QString(), { "temperature" },
        QStringLiteral("Vistag"));
    startWindow({ { "componentsList", QVariantMap { { "temperature", binding("boiler", "temperature") } } },
        { "extensionParameters",
            QVariantMap { { "starts", 2 }, { "setpoint", 70 }, { "temperature", 40.0 } } } });
    QCOMPARE(page()->count(), 3);
    QCOMPARE(page()->tabText(2), QStringLiteral("Boiler"));
    QCOMPARE(model()->data(model()->index(2, 0)).toString(), QStringLiteral("Boiler temperature"));
    QCOMPARE(model()->rowCount(), 3);
    QStringList ids;
    for (int row = 0; row < model()->rowCount(); ++row)
        ids << model()->data(model()->index(row, 1)).toString();
    QCOMPARE(ids, (QStringList { "(S) burner", "clicks", "(S) temperature" }));
    QVERIFY(journalOf(QLatin1String(MODULE_NAME)).contains("[1] Boiler simulator started (start 3)"));

    XWidgetStandartComponent* temperature = hostComponent("boiler", "temperature");
    QCOMPARE(temperature->setter(), probe());
    auto* label = qobject_cast<QLabel*>(temperature->object->getInsideObject(QStringLiteral("value")));
    QCOMPARE(label->text(), QStringLiteral("T=40.0"));
    // Below the set point the first tick switches the burner on and heats.
    QTRY_VERIFY(label->text() != QStringLiteral("T=40.0"));
    auto* view = page()->widget(1)->findChild<QPlainTextEdit*>();
    QTRY_VERIFY(view->toPlainText().contains(QString::fromUtf8("Burner on at 41.5 \u00B0C")));
    QCOMPARE(module()->getMap().value("extensionParameters").toMap().value("starts").toInt(), 3);
}

QTEST_MAIN(tst_Plugbay)
#include "tst_plugbay.moc"
