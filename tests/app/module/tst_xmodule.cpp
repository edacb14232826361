#include "appglobals.h"
#include "applicationdata.h"
#include "journalmodel.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testappfolder.h"
#include "xmodule.h"
#include "xmodulebase.h"
#include "xmodulemakedialog.h"
#include "xmodulesettings.h"
#include "xmodulestabwidget.h"
#include "xserialport.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLibrary>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTextBrowser>
#include <QtTest>

namespace {
const char MODULE_DIR[] = "modules_lib/FixtureGoodDir";

QString ownPath(const QString& relative)
{
    return TestAppFolder::ownFilePath(relative);
}

QByteArray moduleFile(const QString& libName, const QVariantMap& libSettings = QVariantMap())
{
    const QVariantMap map { { "libName", libName }, { "libSettings", libSettings } };
    return QJsonDocument(QJsonObject::fromVariantMap(map)).toJson();
}

void writeModule(const QString& name, const QString& libName, const QVariantMap& libSettings = QVariantMap())
{
    TestAppFolder::writeOwnFile(
        QStringLiteral("modules/%1.xmodule").arg(name), moduleFile(libName, libSettings));
}

QVariantMap readModule(const QString& name)
{
    return QJsonDocument::fromJson(TestAppFolder::readOwnFile(QStringLiteral("modules/%1.xmodule").arg(name)))
        .object()
        .toVariantMap();
}

QStringList moduleFiles()
{
    return QDir(ownPath(QStringLiteral("modules"))).entryList({ QStringLiteral("*.xmodule") }, QDir::Files);
}

QString address(const void* pointer)
{
    return QString::number(quintptr(pointer), 16);
}

// Entries of the running window's journal that name a module, "[level] text".
QStringList moduleJournal()
{
    QStringList entries;
    const QVariantMap map = XJournalModel->map();
    for (int i = 0; map.contains(QString::number(i)); ++i) {
        const QVariantMap entry = map.value(QString::number(i)).toMap();
        const QString text = entry.value("text").toString();
        if (text.startsWith(QLatin1String("Module <")))
            entries << QStringLiteral("[%1] %2").arg(entry.value("level").toInt()).arg(text);
    }
    return entries;
}

XModulesTabWidget* modulesTab(MainWindow& window)
{
    return window.findChild<XModulesTabWidget*>();
}

// Opens the tab's context menu on tab index and triggers the entry with that text.
bool triggerMenu(XModulesTabWidget* tabs, int index, const QString& entry)
{
    tabs->slotCustomMenuRequested(tabs->tabBar()->mapTo(tabs, tabs->tabBar()->tabRect(index).center()));
    // The menu deletes itself on closing, which a dialog opened from it may cause.
    QPointer<QMenu> menu = tabs->findChild<QMenu*>();
    if (!menu)
        return false;
    QAction* chosen = nullptr;
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        if (action->text() == entry)
            chosen = action;
    }
    if (chosen)
        chosen->trigger();
    delete menu.data();
    return chosen;
}

// The dialogs of the new-module chain: the name question ("New module"),
// then either the message that refuses the name or the make dialog, where
// `library` is chosen (empty: the dialog is rejected). CANCEL as the name
// cancels the first question. The libraries the make dialog offered are
// noted in `offered`.
QList<ModalAnswerer::Expected> newModuleDialogs(
    const QString& name, const QString& library, bool refused, QStringList* offered)
{
    QList<ModalAnswerer::Expected> expected { { "QInputDialog", "New module", name } };
    if (name == QLatin1String(ModalAnswerer::CANCEL))
        return expected;
    if (refused) {
        expected << ModalAnswerer::Expected { "QMessageBox", "", "OK" };
        return expected;
    }
    expected << ModalAnswerer::Expected { "XModuleMakeDialog", "", QString(), [library, offered](QWidget* modal) {
                     auto* dialog = static_cast<XModuleMakeDialog*>(modal);
                     auto* combo = dialog->findChild<QComboBox*>();
                     for (int i = 0; i < combo->count(); ++i)
                         *offered << combo->itemText(i);
                     if (library.isEmpty()) {
                         dialog->reject();
                         return;
                     }
                     combo->setCurrentText(library);
                     QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                 } };
    return expected;
}

// The rename chain, all untitled: the name question, and after each refusing
// message box the question again.
QList<ModalAnswerer::Expected> renameDialogs(const QStringList& answers)
{
    QList<ModalAnswerer::Expected> expected;
    for (int i = 0; i < answers.size(); ++i)
        expected << ModalAnswerer::Expected { i % 2 == 0 ? "QInputDialog" : "QMessageBox", "", answers.at(i) };
    return expected;
}
}

// The module host on real fixture libraries in this test's own modules_lib.
class tst_XModule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void settingsRecord();
    void loading_data();
    void loading();
    void callsInOrder_data();
    void callsInOrder();
    void moduleTranslations();
    void exitFiles_data();
    void exitFiles();
    void rename_data();
    void rename();
    void plusTabNeverStaysCurrent();
    void makeDialogOffersDescribedLibraries();
    void newModule_data();
    void newModule();
    void realProcessSavesOnTerminate();

private:
    ApplicationData* m_applicationData = nullptr;
};

void tst_XModule::init()
{
    TestAppFolder::cleanOwnFolder();
    QDir(ownPath(QLatin1String(MODULE_DIR))).removeRecursively();
    m_applicationData = new ApplicationData;
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
}

void tst_XModule::cleanup()
{
    delete m_applicationData;
    m_applicationData = nullptr;
    // Module objects go by deleteLater.
    QTRY_VERIFY(XModulesList.isEmpty());
}

void tst_XModule::settingsRecord()
{
    XModuleSettings record;
    record.libName = QStringLiteral("Kept");
    record.libSettings = { { "a", 1 } };
    record.setMap({ { "unknown", 2 } });
    QCOMPARE(record.libName, QStringLiteral("Kept"));
    QCOMPARE(record.libSettings.value("a").toInt(), 1);
    record.setMap({ { "libName", "Other" }, { "libSettings", QVariantMap { { "b", 3 } } } });
    QCOMPARE(record.map(),
        (QMap<QString, QVariant> { { "libName", "Other" }, { "libSettings", QVariantMap { { "b", 3 } } } }));
}

void tst_XModule::loading_data()
{
    QTest::addColumn<QString>("libName");
    QTest::addColumn<bool>("hasObject");
    QTest::addColumn<bool>("hasTab");
    QTest::addColumn<QStringList>("journal");

    QTest::newRow("built against the host's Qt") << "FixtureGood" << true << true << QStringList();
    QTest::newRow("older Qt 5.x runs with a warning")
        << "FixtureOldQt" << true << false
        << QStringList { "[2] Module <M> Warnings: Qt version of library is 5.7.0" };
    QTest::newRow("newer Qt refused") << "FixtureNewQt" << false << false
                                      << QStringList { "[3] Module <M> load error. Incompatible Qt version" };
    QTest::newRow("Qt 4 refused") << "FixtureQt4" << false << false
                                  << QStringList { "[3] Module <M> load error. Incompatible Qt version" };
    QTest::newRow("no makeObject") << "FixtureNoFactory" << false << false
                                   << QStringList { "[3] Module <M> load error. Can't load object" };
    QTest::newRow("no getQtVersion") << "FixtureNoQtVersion" << false << false
                                     << QStringList { "[3] Module <M> load error. Can't get Qt version" };
    QTest::newRow("missing library") << "FixtureMissing" << false << false
                                     << QStringList { "[3] Module <M> load error. " };
}

void tst_XModule::loading()
{
    QFETCH(QString, libName);
    QFETCH(bool, hasObject);
    QFETCH(bool, hasTab);
    QFETCH(QStringList, journal);
    writeModule(QStringLiteral("M"), libName, { { "kept", 7 } });

    {
        MainWindow window(m_applicationData);
        QCOMPARE(XModulesList.size(), 1);
        XModule* module = XModulesList.first();
        QCOMPARE(module->objectName(), QStringLiteral("M"));
        QCOMPARE(module->moduleObject != nullptr, hasObject);
        XModulesTabWidget* tabs = modulesTab(window);
        QCOMPARE(tabs->count(), hasTab ? 2 : 1);
        QCOMPARE(tabs->tabText(tabs->count() - 1), QStringLiteral("+"));
        QCOMPARE(moduleJournal(), journal);
        if (hasTab) {
            QCOMPARE(tabs->tabText(0), QStringLiteral("M"));
            QCOMPARE(tabs->tabToolTip(0), QStringLiteral("FixtureGood (Version 1.2.3)"));
            QCOMPARE(qobject_cast<QLabel*>(tabs->widget(0))->text(), QStringLiteral("fixture widget"));
            QCOMPARE(tabs->currentIndex(), 0);
        }
    }
    // A module that did not load keeps its file as it was.
    const QVariantMap saved = readModule(QStringLiteral("M"));
    QCOMPARE(saved.value("libName").toString(), libName);
    QCOMPARE(saved.value("libSettings").toMap().value("kept").toInt(), 7);
    QCOMPARE(saved.value("libSettings").toMap().contains("calls"), hasObject);
}

void tst_XModule::callsInOrder_data()
{
    QTest::addColumn<bool>("withOwnFolder");
    QTest::newRow("library folder present") << true;
    QTest::newRow("library folder missing: empty link, no icon") << false;
}

void tst_XModule::callsInOrder()
{
    QFETCH(bool, withOwnFolder);
    const QString ownFolder = ownPath(QLatin1String(MODULE_DIR));
    if (withOwnFolder) {
        QImage icon(8, 8, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(QDir().mkpath(ownFolder));
        QVERIFY(icon.save(ownFolder + QStringLiteral("/icon.png")));
    }
    writeModule(QStringLiteral("Calls"), QStringLiteral("FixtureGood"), { { "kept", 7 }, { "other", "x" } });

    QString panel, serialPort;
    {
        MainWindow window(m_applicationData);
        panel = address(XWidgetsPanel);
        serialPort = address(XSerialPortCommon);
        QCOMPARE(modulesTab(window)->tabIcon(0).pixmap(8, 8).isNull(), !withOwnFolder);
        // The module posts through its own channel, named after it.
        const QVariantMap journal = XJournalModel->map();
        bool posted = false;
        for (const QVariant& entry : journal) {
            const QVariantMap item = entry.toMap();
            posted = posted
                || (item.value("text") == "fixture initialised" && item.value("sourse") == "Calls"
                    && item.value("level").toInt() == 1);
        }
        QVERIFY(posted);
    }

    const QString app = QCoreApplication::applicationDirPath();
    const QStringList expected {
        QStringLiteral("setLinks %1|%2/modules_lib|%2/content/")
            .arg(withOwnFolder ? ownFolder : QString(), app),
        QStringLiteral("setTranslate ") + XLanguage,
        QStringLiteral("setXwidgetsPanel ") + panel,
        QStringLiteral("setSerialPort ") + serialPort,
        QStringLiteral("setUsersList ") + address(&XUsersList),
        QStringLiteral("setMap kept,other"),
        QStringLiteral("init journal Calls"),
        QStringLiteral("getWidget"),
        QStringLiteral("allLoaded"),
        QStringLiteral("getMap"),
    };
    const QVariantMap saved = readModule(QStringLiteral("Calls")).value("libSettings").toMap();
    QCOMPARE(saved.value("calls").toStringList(), expected);
    QCOMPARE(saved.value("kept").toInt(), 7);
}

void tst_XModule::moduleTranslations()
{
    const QString lngFolder = ownPath(QLatin1String(MODULE_DIR)) + QStringLiteral("/lng");
    QVERIFY(QDir().mkpath(lngFolder));
    QVERIFY(QFile::copy(QStringLiteral(TEST_QM_FILE), lngFolder + QStringLiteral("/tt.qm")));
    TestAppFolder::writeOwnFile(QStringLiteral("settings.ini"), "[General]\nlanguage=tt\n");
    writeModule(QStringLiteral("Translated"), QStringLiteral("FixtureGood"));

    MainWindow window(m_applicationData);
    QCOMPARE(QCoreApplication::translate("MainWindow", "Journal"), QStringLiteral("Tagebuch"));
}

void tst_XModule::exitFiles_data()
{
    QTest::addColumn<QStringList>("menuEntries");
    QTest::addColumn<QStringList>("answers");
    // The module whose tab is first ends in this file; empty: in none.
    QTest::addColumn<QString>("fileOfFirst");

    QTest::newRow("untouched") << QStringList() << QStringList() << "A";
    QTest::newRow("renamed: only the new file") << QStringList { "Rename" } << QStringList { "C" } << "C";
    QTest::newRow("marked for removal: file removed") << QStringList { "Remove" } << QStringList() << "";
    QTest::newRow("removal cancelled")
        << QStringList { "Remove", "Cancel the deletion" } << QStringList() << "A";
    QTest::newRow("renamed and marked") << QStringList { "Rename", "Remove" } << QStringList { "C" } << "";
}

void tst_XModule::exitFiles()
{
    QFETCH(QStringList, menuEntries);
    QFETCH(QStringList, answers);
    QFETCH(QString, fileOfFirst);
    writeModule(QStringLiteral("A"), QStringLiteral("FixtureGood"), { { "which", "A" } });
    writeModule(QStringLiteral("B"), QStringLiteral("FixtureGood"), { { "which", "B" } });
    // A module that did not load still keeps its file.
    writeModule(QStringLiteral("Broken"), QStringLiteral("FixtureMissing"), { { "which", "Broken" } });
    // Not a module file: left alone.
    TestAppFolder::writeOwnFile(QStringLiteral("modules/notes.txt"), "notes");

    {
        MainWindow window(m_applicationData);
        XModulesTabWidget* tabs = modulesTab(window);
        QCOMPARE(tabs->tabText(0), QStringLiteral("A"));
        ModalAnswerer answerer(renameDialogs(answers));
        for (const QString& entry : menuEntries)
            QVERIFY2(triggerMenu(tabs, 0, entry), qPrintable(entry));
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(tabs->isTabEnabled(0), !fileOfFirst.isEmpty());
    }
    QStringList files { "B.xmodule", "Broken.xmodule" };
    if (!fileOfFirst.isEmpty())
        files << fileOfFirst + QStringLiteral(".xmodule");
    files.sort();
    QCOMPARE(moduleFiles(), files);
    QVERIFY(QFileInfo::exists(ownPath(QStringLiteral("modules/notes.txt"))));
    for (const QString& name : { fileOfFirst, QStringLiteral("B"), QStringLiteral("Broken") }) {
        if (name.isEmpty())
            continue;
        const QString which = name == QLatin1String("C") ? QStringLiteral("A") : name;
        QCOMPARE(readModule(name).value("libSettings").toMap().value("which").toString(), which);
    }
}

void tst_XModule::rename_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("own name accepted without a message")
        << QStringList { ModalAnswerer::KEEP } << "A" << QStringList();
    QTest::newRow("cancelled") << QStringList { ModalAnswerer::CANCEL } << "A" << QStringList();
    QTest::newRow("empty name, asked again")
        << QStringList { "", "OK", "C" } << "C" << QStringList { "box  | Name is empty | OK | default OK" };
    QTest::newRow("busy name, asked again")
        << QStringList { "B", "OK", "C" } << "C" << QStringList { "box  | Name is busy | OK | default OK" };
    QTest::newRow("path separator, asked again")
        << QStringList { "../evil", "OK", ModalAnswerer::CANCEL } << "A"
        << QStringList { "box  | Name must not contain / or \\ | OK | default OK" };
}

void tst_XModule::rename()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, name);
    QFETCH(QStringList, boxes);
    writeModule(QStringLiteral("A"), QStringLiteral("FixtureGood"));
    writeModule(QStringLiteral("B"), QStringLiteral("FixtureGood"));

    MainWindow window(m_applicationData);
    XModulesTabWidget* tabs = modulesTab(window);
    ModalAnswerer answerer(renameDialogs(answers));
    QVERIFY(triggerMenu(tabs, 0, QStringLiteral("Rename")));
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript.first(), QStringLiteral("input  | New name | A"));
    QStringList shownBoxes = answerer.transcript.filter(QRegularExpression("^box"));
    QCOMPARE(shownBoxes, boxes);
    QCOMPARE(tabs->tabText(0), name);
    QCOMPARE(XModulesList.first()->objectName(), name);
    QCOMPARE(tabs->findModule(name), XModulesList.first());
}

void tst_XModule::plusTabNeverStaysCurrent()
{
    writeModule(QStringLiteral("A"), QStringLiteral("FixtureGood"));
    writeModule(QStringLiteral("B"), QStringLiteral("FixtureGood"));
    MainWindow window(m_applicationData);
    window.show();
    auto* mainTabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    XModulesTabWidget* tabs = modulesTab(window);
    mainTabs->setCurrentWidget(tabs);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
    QCOMPARE(tabs->currentIndex(), 1);

    QSignalSpy asked(tabs, &XModulesTabWidget::addModuleCliked);
    // Cancel the new-module chain the main window starts.
    QStringList offered;
    ModalAnswerer answerer(newModuleDialogs(ModalAnswerer::CANCEL, QString(), false, &offered));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(asked.count(), 1);
    QCOMPARE(tabs->currentIndex(), 1);
    // Reaching it from the keyboard or by code does not stick either.
    tabs->setCurrentIndex(2);
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(asked.count(), 1);
    // No context menu on "+".
    tabs->slotCustomMenuRequested(bar->mapTo(tabs, bar->tabRect(2).center()));
    QVERIFY(!tabs->findChild<QMenu*>());
}

void tst_XModule::makeDialogOffersDescribedLibraries()
{
    XModuleMakeDialog dialog;
    auto* combo = dialog.findChild<QComboBox*>();
    QCOMPARE(combo->count(), 1);
    QCOMPARE(dialog.libName(), QStringLiteral("FixtureGood"));
    QCOMPARE(dialog.findChild<QTextBrowser*>()->toPlainText(), QStringLiteral("A module for tests"));
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    QStringList texts;
    for (QLabel* label : labels)
        texts << label->text();
    QCOMPARE(texts, (QStringList { "Description:", "Version 1.2.3" }));
}

void tst_XModule::newModule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("library");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("added") << "Fresh"
                           << "FixtureGood" << QStringList { "Fresh.xmodule" };
    QTest::newRow("make dialog rejected") << "Fresh" << QString() << QStringList();
    QTest::newRow("busy name") << "Old"
                               << "FixtureGood" << QStringList { "Old.xmodule" };
    QTest::newRow("empty name") << ""
                                << "FixtureGood" << QStringList();
    QTest::newRow("name with a path separator") << "../Outside"
                                                << "FixtureGood" << QStringList();
}

void tst_XModule::newModule()
{
    QFETCH(QString, name);
    QFETCH(QString, library);
    QFETCH(QStringList, files);
    const bool busy = name == QLatin1String("Old");
    if (busy)
        writeModule(name, QStringLiteral("FixtureOldQt"));

    {
        MainWindow window(m_applicationData);
        const int before = XModulesList.size();
        const bool added = files.contains(name + QStringLiteral(".xmodule")) && !busy;
        const bool refused = busy || name.isEmpty() || name.contains(QLatin1Char('/'));
        QStringList offered;
        ModalAnswerer answerer(newModuleDialogs(name, library, refused, &offered));
        window.addModuleClicked();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(XModulesList.size(), before + (added ? 1 : 0));
        if (!added)
            QVERIFY(!QFileInfo::exists(ownPath(QStringLiteral("Outside.xmodule"))));
        if (added) {
            QCOMPARE(offered, QStringList { "FixtureGood" });
            // Initialised at once; the file is there before the exit.
            QVERIFY(XModulesList.last()->moduleObject);
            QCOMPARE(readModule(name).value("libName").toString(), library);
        }
    }
    QCOMPARE(moduleFiles(), files);
    if (files.contains(QStringLiteral("Fresh.xmodule"))) {
        // Made after start-up: never told that everything was loaded.
        const QStringList calls = readModule(name).value("libSettings").toMap().value("calls").toStringList();
        QCOMPARE(calls.mid(calls.size() - 3), (QStringList { "init journal Fresh", "getWidget", "getMap" }));
    }
    if (busy)
        QCOMPARE(readModule(name).value("libName").toString(), QStringLiteral("FixtureOldQt"));
}

void tst_XModule::realProcessSavesOnTerminate()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    QLibrary probe(ownPath(QStringLiteral("modules_lib/FixtureGood")));
    QVERIFY(probe.load());
    QDir().mkpath(folder.filePath(QStringLiteral("modules_lib")));
    const QString target
        = folder.filePath(QStringLiteral("modules_lib/") + QFileInfo(probe.fileName()).fileName());
    QVERIFY(QFile::copy(probe.fileName(), target));
    QVERIFY(folder.writeFile(
        QStringLiteral("modules/Real.xmodule"), moduleFile("FixtureGood", { { "kept", 7 } })));

    QProcess* process = folder.start();
    QVERIFY(folder.mailboxValue() >= 0);
    QVERIFY(TestAppFolder::terminate(process));
    delete process;

    const QVariantMap saved = QJsonDocument::fromJson(folder.readFile(QStringLiteral("modules/Real.xmodule")))
                                  .object()
                                  .toVariantMap();
    QCOMPARE(saved.value("libName").toString(), QStringLiteral("FixtureGood"));
    const QVariantMap libSettings = saved.value("libSettings").toMap();
    QCOMPARE(libSettings.value("kept").toInt(), 7);
    const QStringList calls = libSettings.value("calls").toStringList();
    QCOMPARE(calls.mid(calls.size() - 2), (QStringList { "allLoaded", "getMap" }));
    // The module object itself went at exit, after its settings were taken
    // and before the serial port and the panel.
    QCOMPARE(folder.readFile(QStringLiteral("fixture-destroyed")), QByteArray("serial port alive, panel alive"));
}

QTEST_MAIN(tst_XModule)
#include "tst_xmodule.moc"
