#include "appglobals.h"
#include "applicationdata.h"
#include "journalmodel.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "rowtranslation.h"
#include "testappfolder.h"
#include "xinputdialog.h"
#include "xmodule.h"
#include "xmodulestabwidget.h"
#include "xwidgetbasesettingsdialog.h"
#include "xwidgetcontextmenu.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <memory>

namespace {
const char WIDGET_ID[] = "Pump";
const char MODULE_NAME[] = "A";

void writeJson(const QString& relative, const QVariantMap& map)
{
    TestAppFolder::writeOwnFile(relative, QJsonDocument(QJsonObject::fromVariantMap(map)).toJson());
}

QVariantMap readJson(const QString& relative)
{
    return QJsonDocument::fromJson(TestAppFolder::readOwnFile(relative)).object().toVariantMap();
}

// Everything in a folder of the application, hidden entries included.
QStringList entries(const QString& folder)
{
    return QDir(TestAppFolder::ownFilePath(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList widgetIds()
{
    QStringList ids;
    for (XWidgetStandart* widget : qAsConst(XWidgetStandartList))
        ids << widget->settings->base.id;
    return ids;
}

QStringList moduleNames()
{
    QStringList names;
    for (XModule* module : qAsConst(XModulesList))
        names << module->objectName();
    return names;
}

QString boxLine(const QString& title, const QString& text)
{
    return QStringLiteral("box %1 | %2 | OK | default OK").arg(title, text);
}

// Opens the context menu of a module's tab and triggers the entry with that text.
bool triggerTabMenu(XModulesTabWidget* tabs, int index, const QString& entry)
{
    tabs->slotCustomMenuRequested(tabs->tabBar()->mapTo(tabs, tabs->tabBar()->tabRect(index).center()));
    QPointer<QMenu> menu = tabs->findChild<QMenu*>();
    if (!menu)
        return false;
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == entry)
            chosen = action;
    }
    if (chosen)
        chosen->trigger();
    delete menu.data();
    return chosen;
}
}

// Names the operator gives widgets and modules become their file names: what
// is refused at entry, and what the files look like after the program ends
// and starts again.
class tst_MainWindowNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void refusedWidgetIds_data();
    void refusedWidgetIds();
    void refusedModuleNames_data();
    void refusedModuleNames();
    void renamedModuleKeepsOldFileWhenNewOneFails();
    void renamedModuleJournalsUnderNewName();
    void renamedWidgetJournalsUnderNewId();
    void firstModuleAddedIsCurrent();
    void inputTitlesShowInFull_data();
    void inputTitlesShowInFull();

private:
    void startWindow();
    void restartWindow();
    XModulesTabWidget* modulesTab() const;

    std::unique_ptr<ApplicationData> m_applicationData;
    std::unique_ptr<MainWindow> m_window;
};

void tst_MainWindowNames::initTestCase()
{
    TestAppFolder::linkStagedFolders();
}

void tst_MainWindowNames::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData.reset(new ApplicationData);
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
    writeJson(QStringLiteral("standart_widgets/%1.sw").arg(QLatin1String(WIDGET_ID)),
        { { "name", "Main pump" },
            { "components", QVariantMap { { "0", QVariantMap { { "name", "level" } } } } } });
}

void tst_MainWindowNames::cleanup()
{
    m_window.reset();
    // Module objects go by deleteLater.
    QTRY_VERIFY(XModulesList.isEmpty());
    m_applicationData.reset();
}

void tst_MainWindowNames::startWindow()
{
    m_window.reset(new MainWindow(m_applicationData.get()));
}

// Ends the window as the program ends (everything saved) and starts a new one
// on the files it left.
void tst_MainWindowNames::restartWindow()
{
    m_window.reset();
    // Module objects go by deleteLater.
    QTRY_VERIFY(XModulesList.isEmpty());
    startWindow();
}

XModulesTabWidget* tst_MainWindowNames::modulesTab() const
{
    return m_window->findChild<XModulesTabWidget*>();
}

void tst_MainWindowNames::refusedWidgetIds_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");

    const QString slash = QStringLiteral("ID must not contain / or \\");
    const QString dot = QStringLiteral("ID must not start with a dot");
    for (const QString& road : { QStringLiteral("Make new widget"), QStringLiteral("Base settings") }) {
        const QByteArray prefix = road.toUtf8() + ": ";
        QTest::newRow(prefix + "empty") << road << QString() << QStringLiteral("String is empty");
        QTest::newRow(prefix + "slash") << road << QStringLiteral("../Pump2") << slash;
        QTest::newRow(prefix + "backslash") << road << QStringLiteral("Pump\\2") << slash;
        QTest::newRow(prefix + "leading dot") << road << QStringLiteral(".Pump2") << dot;
    }
}

void tst_MainWindowNames::refusedWidgetIds()
{
    QFETCH(QString, road);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    startWindow();

    if (road == QLatin1String("Make new widget")) {
        ModalAnswerer answerer({ { "QInputDialog", "Make new widget", typed },
            { "QMessageBox", "Make new widget", "OK" } });
        emit XWidgetsPanel->contextMenu->makeStandartWidgetClicked();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript.value(1), boxLine(road, message));
    } else {
        XWidgetStandart* pump = XWidgetStandartList.first();
        bool openAfterOk = false;
        ModalAnswerer answerer({ { "XWidgetBaseSettingsDialog", "", QString(),
                                     [&](QWidget* dialog) {
                                         auto* baseSettings = static_cast<XWidgetBaseSettingsDialog*>(dialog);
                                         baseSettings->idEdit->setText(typed);
                                         for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                                             if (button->text() == QLatin1String("OK"))
                                                 QTest::mouseClick(button, Qt::LeftButton);
                                         }
                                         openAfterOk = dialog->isVisible();
                                         baseSettings->reject();
                                     } },
            { "QMessageBox", "", "OK" } });
        pump->contextMenu->actions().at(0)->trigger();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QVERIFY(openAfterOk);
        QCOMPARE(answerer.transcript.value(1), boxLine(QString(), message));
    }
    QCOMPARE(widgetIds(), QStringList { WIDGET_ID });

    restartWindow();
    QCOMPARE(widgetIds(), QStringList { WIDGET_ID });
    QCOMPARE(XWidgetStandartSettingsList.first()->name, QStringLiteral("Main pump"));
    QCOMPARE(entries(QStringLiteral("standart_widgets")), QStringList { "Pump.sw" });
    QCOMPARE(entries(QString()).filter(QStringLiteral("Pump2")), QStringList());
}

void tst_MainWindowNames::refusedModuleNames_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<QString>("typed");

    for (const QString& road : { QStringLiteral("New module"), QStringLiteral("Rename") }) {
        const QByteArray prefix = road.toUtf8() + ": ";
        QTest::newRow(prefix + "hidden name") << road << QStringLiteral(".hidden");
        QTest::newRow(prefix + "two dots") << road << QStringLiteral("..");
    }
}

void tst_MainWindowNames::refusedModuleNames()
{
    QFETCH(QString, road);
    QFETCH(QString, typed);
    const QString message = QStringLiteral("Name must not start with a dot");
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Webquery" }, { "libSettings", QVariantMap { { "component", "kept" } } } });
    startWindow();
    QCOMPARE(moduleNames(), QStringList { MODULE_NAME });

    if (road == QLatin1String("New module")) {
        ModalAnswerer answerer({ { "QInputDialog", "New module", typed }, { "QMessageBox", "", "OK" } });
        m_window->addModuleClicked();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript.value(1), boxLine(QString(), message));
    } else {
        // Refused and asked again, as an empty name is.
        ModalAnswerer answerer({ { "QInputDialog", "", typed }, { "QMessageBox", "", "OK" },
            { "QInputDialog", "", ModalAnswerer::CANCEL } });
        QVERIFY(triggerTabMenu(modulesTab(), 0, QStringLiteral("Rename")));
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(answerer.transcript.value(1), boxLine(QString(), message));
        QCOMPARE(modulesTab()->tabText(0), QLatin1String(MODULE_NAME));
    }
    QCOMPARE(moduleNames(), QStringList { MODULE_NAME });

    restartWindow();
    QCOMPARE(moduleNames(), QStringList { MODULE_NAME });
    QVERIFY(XModulesList.first()->moduleObject);
    QCOMPARE(entries(QStringLiteral("modules")), QStringList { "A.xmodule" });
    QCOMPARE(readJson(QStringLiteral("modules/A.xmodule")).value("libSettings").toMap().value("component"),
        QVariant(QStringLiteral("kept")));
}

void tst_MainWindowNames::renamedModuleKeepsOldFileWhenNewOneFails()
{
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Webquery" }, { "libSettings", QVariantMap { { "component", "kept" } } } });
    // A name too long for a file name of the folder: its file cannot be
    // written, by root neither.
    const QString longName(300, QLatin1Char('B'));
    startWindow();
    {
        ModalAnswerer answerer({ { "QInputDialog", "", longName } });
        QVERIFY(triggerTabMenu(modulesTab(), 0, QStringLiteral("Rename")));
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }
    QCOMPARE(moduleNames(), QStringList { longName });

    restartWindow();
    QCOMPARE(moduleNames(), QStringList { MODULE_NAME });
    QVERIFY(XModulesList.first()->moduleObject);
    QCOMPARE(readJson(QStringLiteral("modules/A.xmodule")).value("libSettings").toMap().value("component"),
        QVariant(QStringLiteral("kept")));
    QCOMPARE(entries(QStringLiteral("modules")), QStringList { "A.xmodule" });
}

void tst_MainWindowNames::renamedModuleJournalsUnderNewName()
{
    const QVariantMap refusedItem { { "name", "local" }, { "request", "file:///etc/hostname" }, { "type", 0 },
        { "comment", QString() } };
    writeJson(QStringLiteral("modules/%1.xmodule").arg(QLatin1String(MODULE_NAME)),
        { { "libName", "Webquery" },
            { "libSettings",
                QVariantMap { { "xwidget", WIDGET_ID }, { "component", "level" },
                    { "items", QVariantMap { { "0", refusedItem } } } } } });
    startWindow();
    {
        ModalAnswerer answerer({ { "QInputDialog", "", "Renamed" } });
        QVERIFY(triggerTabMenu(modulesTab(), 0, QStringLiteral("Rename")));
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    }

    auto* pump = qobject_cast<XWidgetStandart*>(XWidgetsPanel->getXWidgetByID(QLatin1String(WIDGET_ID)));
    pump->component(QStringLiteral("level"))->setValueHandler(QStringLiteral("local"), nullptr);
    QStringList sources;
    const QVariantMap journal = XJournalModel->map();
    for (const QVariant& entry : journal) {
        const QVariantMap map = entry.toMap();
        if (map.value("text").toString().startsWith(QLatin1String("Request <local> refused")))
            sources << map.value("sourse").toString();
    }
    QCOMPARE(sources, QStringList { "Renamed" });
}

void tst_MainWindowNames::renamedWidgetJournalsUnderNewId()
{
    startWindow();
    XWidgetStandart* pump = XWidgetStandartList.first();
    ModalAnswerer answerer({ { "XWidgetBaseSettingsDialog", "", QString(), [](QWidget* dialog) {
                                  static_cast<XWidgetBaseSettingsDialog*>(dialog)->idEdit->setText("Pump2");
                                  static_cast<QDialog*>(dialog)->accept();
                              } } });
    pump->contextMenu->actions().at(0)->trigger();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(pump->settings->base.id, QStringLiteral("Pump2"));

    pump->journalAdd(QStringLiteral("after the new ID"), 1);
    QStringList sources;
    const QVariantMap journal = XJournalModel->map();
    for (const QVariant& entry : journal) {
        const QVariantMap map = entry.toMap();
        if (map.value("text").toString() == QLatin1String("after the new ID"))
            sources << map.value("sourse").toString();
    }
    QCOMPARE(sources, QStringList { "Pump2" });
}

void tst_MainWindowNames::firstModuleAddedIsCurrent()
{
    startWindow();
    XModulesTabWidget* tabs = modulesTab();
    QCOMPARE(tabs->count(), 1);
    ModalAnswerer answerer({ { "QInputDialog", "New module", "Fresh" },
        { "XModuleMakeDialog", "", QString(), [](QWidget* dialog) {
             dialog->findChild<QComboBox*>()->setCurrentText(QStringLiteral("Webquery"));
             static_cast<QDialog*>(dialog)->accept();
         } } });
    m_window->addModuleClicked();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Fresh"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->currentWidget(), XModulesList.first()->widget.data());
}

void tst_MainWindowNames::inputTitlesShowInFull_data()
{
    RowTranslation::addRows(TestAppFolder::stageDir() + QStringLiteral("/lng/de.qm"));
}

void tst_MainWindowNames::inputTitlesShowInFull()
{
    RowTranslation translation;
    QVERIFY(translation.loaded());
    startWindow();
    const QList<std::pair<const char*, std::function<void()>>> asks {
        { "Make new group", [] { emit XWidgetsPanel->contextMenu->makeGroupClicked(); } },
        { "Make new widget", [] { emit XWidgetsPanel->contextMenu->makeStandartWidgetClicked(); } },
        { "New module", [this] { m_window->addModuleClicked(); } },
        { "Find widget", [] { QMetaObject::invokeMethod(XWidgetsPanel, "findWidgetByIdClicked"); } },
    };
    for (const auto& ask : asks) {
        const QString title = ask.first == QByteArray("Find widget") ? XWidgetPanel::tr(ask.first)
                                                                      : MainWindow::tr(ask.first);
        QString cut;
        ModalAnswerer answerer({ { "QInputDialog", title, QString(), [&](QWidget* dialog) {
                                      if (dialog->width() < XInputDialog::titleFitWidth(dialog, title))
                                          cut = QStringLiteral("%1 (%2 < %3)")
                                                    .arg(title)
                                                    .arg(dialog->width())
                                                    .arg(XInputDialog::titleFitWidth(dialog, title));
                                      static_cast<QDialog*>(dialog)->reject();
                                  } } });
        ask.second();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
    }
}

QTEST_MAIN(tst_MainWindowNames)
#include "tst_mainwindownames.moc"
