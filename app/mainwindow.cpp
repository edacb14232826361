#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appglobals.h"
#include "applicationdata.h"
#include "appsettingswidget.h"
#include "journalexchangeitem.h"
#include "journalfilter.h"
#include "journalmodel.h"
#include "usersfile.h"
#include "userswidget.h"
#include "xautosave.h"
#include "xinputdialog.h"
#include "xmodule.h"
#include "xmodulemakedialog.h"
#include "xmodulesettings.h"
#include "xmodulestabwidget.h"
#include "xserialport.h"
#include "xserver.h"
#include "xserversettings.h"
#include "xstoredfile.h"
#include "xtablefit.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetidcheck.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetpanelscrollarea.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTimerEvent>
#include <QTranslator>

#include <cstdio>

namespace {
const int MAILBOX_TIMER_INTERVAL_MS = 1000;
const int TRAY_MESSAGE_TIMEOUT_MS = 60000;
const int WINDOW_STATE_VERSION = 0;
const int WIDGETS_TAB_INDEX = 0;
const int DEFAULT_JOURNAL_MAX_ROWS = 100;
const int JOURNAL_FILTER_ROW = 2;

const char JOURNAL_GROUP[] = "Journal";
const char JOURNAL_MAX_ROW_KEY[] = "maxRow";
const char JOURNAL_SAVE_TO_FILE_KEY[] = "saveToFile";
const char JOURNAL_AUTO_SCROLL_KEY[] = "autoScroll";
const char JOURNAL_COLUMN_WIDTH_KEY[] = "w";
// A journal row as it usually reads, for the columns' first widths: the
// latest time of a day and a source named like a widget.
const QDateTime TYPICAL_JOURNAL_TIME(QDate(2000, 12, 28), QTime(23, 58, 58, 999));
const char TYPICAL_JOURNAL_SOURCE[] = "Boiler room pump";
const char GROUPS_SETTINGS_GROUP[] = "groups";

const char WIDGET_FILE_FILTER[] = "*.sw";
const char MODULE_FILE_FILTER[] = "*.xmodule";
const char WIDGET_FILE_SUFFIX[] = ".sw";

const char SETTINGS_FILE_NAME[] = "settings.ini";

// A group is stored as a map; anything else in its place is no group.
bool isGroup(const QVariant& value)
{
    return value.userType() == QMetaType::QVariantMap;
}

// The entries under [groups] that hold no group.
QStringList entriesThatAreNoGroups(const QSettings& settings)
{
    const QString prefix = QLatin1String(GROUPS_SETTINGS_GROUP) + QLatin1Char('/');
    QStringList names;
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (key.startsWith(prefix) && !isGroup(settings.value(key)))
            names.append(key.mid(prefix.size()));
    }
    return names;
}

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString journalFilePath()
{
    return appDir() + QStringLiteral("/journal");
}

QString journalColumnWidthKey(int column)
{
    return QLatin1String(JOURNAL_COLUMN_WIDTH_KEY) + QString::number(column);
}

QString widgetsDir()
{
    return appDir() + QStringLiteral("/standart_widgets");
}

QFileInfoList widgetFiles()
{
    return QDir(widgetsDir())
        .entryInfoList({ QLatin1String(WIDGET_FILE_FILTER) }, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

// The file of a widget is named after its ID. The dialogs refuse IDs that
// cannot be such a file; one that still arrives (from a file name on disk)
// gives an empty result and is never written, so nothing reaches files
// outside the folder.
QString widgetFilePath(const QString& id)
{
    if (!XWidgetIdCheck::isUsable(id))
        return QString();
    return widgetsDir() + QLatin1Char('/') + id + QLatin1String(WIDGET_FILE_SUFFIX);
}

QString modulesDir()
{
    return appDir() + QStringLiteral("/modules");
}

QFileInfoList moduleFiles()
{
    return QDir(modulesDir())
        .entryInfoList({ QLatin1String(MODULE_FILE_FILTER) }, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QString usersFilePath()
{
    return appDir() + QStringLiteral("/users");
}

QString settingsFilePath()
{
    return appDir() + QLatin1Char('/') + QLatin1String(SETTINGS_FILE_NAME);
}
}

MainWindow::MainWindow(ApplicationData* applicationData, QWidget* parent)
    : QMainWindow(parent)
    , applicationData(applicationData)
    , ui(new Ui::MainWindow)
{
    XStoredFile::setFailureHandler(
        [this](const QString& path, const QString& reason) { reportSaveFailure(path, reason); });
    removeSaveLeftovers();
    // Before a save can write the damage back as if it were good.
    const QString keptSettings = XStoredFile::keepUnreadableIni(settingsFilePath());
    settings = openSettings();
    const QStringList strayGroups = entriesThatAreNoGroups(*settings);
    const QString settingsCopy
        = strayGroups.isEmpty() ? QString() : XStoredFile::keepCopy(settingsFilePath());
    loadTranslations();
    // Made before the language was known, the window would hand the old
    // locale on to everything inside it.
    setLocale(QLocale());
    ui->setupUi(this);
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" V")
        + QCoreApplication::applicationVersion());
    setWindowIcon(applicationData->windowIcon());
    initJournal();
    if (!keptSettings.isEmpty()) {
        XMainJournalItem->add(
            tr("The settings file could not be read and is kept as %1; the defaults are used")
                .arg(QFileInfo(keptSettings).fileName()),
            JournalItem::ITEM_LEVEL_CRITICAL);
    }
    if (!strayGroups.isEmpty()) {
        const QString file = QDir::toNativeSeparators(settingsFilePath());
        const QString groups = strayGroups.join(QStringLiteral(", "));
        QString text;
        if (settingsCopy.isEmpty()) {
            text = tr("%1: the entries %2 under [groups] hold no group and are left out; the file as it was "
                      "could not be kept");
            text = text.arg(file, groups);
        } else {
            text = tr("%1: the entries %2 under [groups] hold no group and are left out; the file as it was "
                      "is kept as %3");
            text = text.arg(file, groups, QFileInfo(settingsCopy).fileName());
        }
        XMainJournalItem->add(text, JournalItem::ITEM_LEVEL_WARNING);
    }
    initTrayIcon();
    restoreWindowPlacement();
    initWidgetsTab();
    if (settings->value(QStringLiteral("useStyles"), true).toBool())
        loadStyles();
    initSerialPort();
    initWebServer();
    initModulesTab();
    loadGroups();
    loadStandartWidgets();
    loadUsers();
    loadModules();
    initUsersTab();
    initSettingsTab();
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::tabCurrentChanged);
    timerId = startTimer(MAILBOX_TIMER_INTERVAL_MS, Qt::VeryCoarseTimer);
    // What loading did is no change; what the widgets and modules do from here on is.
    m_usersContent = UsersFile::editableContent(XUsersList);
    m_autoSave = new XAutoSave(settings, this);
    connect(m_autoSave, &XAutoSave::saveDue, this, &MainWindow::saveChanges);
    emit allLoaded();
}

MainWindow::~MainWindow()
{
    // Everything is saved below; nothing may start a save of its own meanwhile.
    delete m_autoSave;
    m_autoSave = nullptr;
    saveUsers();
    saveStandartWidgets();
    saveGroups();
    saveWindowPlacement();
    postProgramClosed();
    releaseJournal();
    // The modules' clean-up may still need the serial port and the panel.
    deleteModulesTab();
    deleteSerialPort();
    // Before the journal, so that a failure to save the settings is in it.
    saveSettingsFile();
    // After the modules, so that what they journal on their way out is kept.
    saveJournal();
    removeStaleModuleFiles();
    printSaveFailures();
    delete ui;
}

QSettings* MainWindow::openSettings()
{
    // The folder goes with the settings object, after its last own save.
    auto* folder = new QTemporaryDir;
    // Without a private folder the copy lies beside the system's temporaries,
    // named for this process; QSettings keeps working in memory where it
    // cannot save it.
    const QString workingPath = folder->isValid()
        ? folder->filePath(QLatin1String(SETTINGS_FILE_NAME))
        : QDir(QDir::tempPath())
              .filePath(QStringLiteral("%1-%2-%3")
                            .arg(QCoreApplication::applicationName())
                            .arg(QCoreApplication::applicationPid())
                            .arg(QLatin1String(SETTINGS_FILE_NAME)));
    auto* working = new QSettings(workingPath, QSettings::IniFormat, this);
    connect(working, &QObject::destroyed, [folder, workingPath] {
        if (!folder->isValid())
            QFile::remove(workingPath);
        delete folder;
    });
    // Values, not bytes: nothing needs to be written for the program to have them.
    const QSettings stored(settingsFilePath(), QSettings::IniFormat);
    const QStringList keys = stored.allKeys();
    for (const QString& key : keys)
        working->setValue(key, stored.value(key));
    // What was read is no change to be saved.
    working->sync();
    QCoreApplication::removePostedEvents(working, QEvent::UpdateRequest);
    return working;
}

void MainWindow::scheduleSave()
{
    if (m_autoSave)
        m_autoSave->changed();
}

void MainWindow::saveChanges()
{
    writeUsers();
    m_usersContent = UsersFile::editableContent(XUsersList);
    saveStandartWidgets();
    saveModules();
    const bool groupsChanged = saveGroups();
    // Both asked: the flag is taken either way.
    if (m_autoSave->takeSettingsChanged() || groupsChanged)
        saveSettingsFile();
    forgetMendedFailures();
}

void MainWindow::watchUsers()
{
    const QVariantMap content = UsersFile::editableContent(XUsersList);
    if (content == m_usersContent)
        return;
    m_usersContent = content;
    scheduleSave();
}

void MainWindow::saveModules()
{
    for (XModule* module : qAsConst(XModulesList))
        module->save();
}

void MainWindow::removeSaveLeftovers()
{
    XStoredFile::removeSaveLeftovers(appDir(), QStringLiteral("users"));
    XStoredFile::removeSaveLeftovers(appDir(), QStringLiteral("journal"));
    XStoredFile::removeSaveLeftovers(appDir(), QStringLiteral("settings.ini"));
    XStoredFile::removeSaveLeftovers(widgetsDir(), QLatin1String(WIDGET_FILE_FILTER));
    XStoredFile::removeSaveLeftovers(modulesDir(), QLatin1String(MODULE_FILE_FILTER));
}

void MainWindow::reportSaveFailure(const QString& path, const QString& reason)
{
    const QString message = tr("Could not save %1: %2").arg(QDir::toNativeSeparators(path), reason);
    // A file that cannot be saved fails again at every save: one entry until it is mended.
    const bool known = m_saveFailures.contains(path);
    m_saveFailures.insert(path, message);
    if (!known && XMainJournalItem)
        XMainJournalItem->add(message, JournalItem::ITEM_LEVEL_CRITICAL);
}

void MainWindow::forgetMendedFailures()
{
    for (auto it = m_saveFailures.begin(); it != m_saveFailures.end();) {
        if (XStoredFile::hasFailed(it.key()))
            ++it;
        else
            it = m_saveFailures.erase(it);
    }
}

void MainWindow::journalFound(const QString& path, XStoredFile::Found found, const QString& kept)
{
    if (!XMainJournalItem)
        return;
    const QString file = QDir::toNativeSeparators(path);
    const QString copy = QFileInfo(kept).fileName();
    switch (found) {
    case XStoredFile::Found::Converted:
        if (kept.isEmpty()) {
            XMainJournalItem->add(tr("%1 holds values of the wrong type; they were read converted, but the "
                                     "file as it was could not be kept")
                                      .arg(file),
                JournalItem::ITEM_LEVEL_WARNING);
        } else {
            XMainJournalItem->add(tr("%1 holds values of the wrong type; they were read converted and the "
                                     "file as it was is kept as %2")
                                      .arg(file, copy),
                JournalItem::ITEM_LEVEL_WARNING);
        }
        break;
    case XStoredFile::Found::Unreadable:
        if (kept.isEmpty()) {
            XMainJournalItem->add(tr("%1 could not be read and could not be set aside").arg(file),
                JournalItem::ITEM_LEVEL_CRITICAL);
        } else {
            XMainJournalItem->add(tr("%1 could not be read and is kept as %2").arg(file, copy),
                JournalItem::ITEM_LEVEL_CRITICAL);
        }
        break;
    case XStoredFile::Found::Missing:
    case XStoredFile::Found::WellTyped:
        break;
    }
}

void MainWindow::printSaveFailures()
{
    XStoredFile::setFailureHandler(nullptr);
    forgetMendedFailures();
    for (const QString& message : qAsConst(m_saveFailures)) {
        std::fputs(message.toLocal8Bit().constData(), stderr);
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

void MainWindow::installTranslator(const QString& fileName, const QString& directory)
{
    auto* translator = new QTranslator(this);
    if (translator->load(fileName, directory) && !translator->isEmpty())
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void MainWindow::loadTranslations()
{
    XLanguage = settings->value(QStringLiteral("language")).toString();
    if (XLanguage.isEmpty())
        XLanguage = QLocale::system().name();
    // Dates and numbers speak the language of the texts, in the journal and
    // in Qt's own dialogs alike.
    QLocale::setDefault(QLocale(XLanguage));

    const QString lngDir = appDir() + QStringLiteral("/lng");
    installTranslator(XLanguage, lngDir);
    installTranslator(QStringLiteral("qt_") + XLanguage, lngDir);
    installTranslator(QStringLiteral("qtbase_") + XLanguage, lngDir);

    // Component libraries ship their translations in "<library>Lng" folders.
    const QDir componentsDir(appDir() + QStringLiteral("/widgets_components_lib"));
    const QStringList lngFolders = componentsDir.entryList(
        { QStringLiteral("*Lng") }, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& folder : lngFolders)
        installTranslator(XLanguage, componentsDir.filePath(folder));
}

void MainWindow::initJournal()
{
    settings->beginGroup(QLatin1String(JOURNAL_GROUP));
    ui->journalMaxRow->setValue(
        settings->value(QLatin1String(JOURNAL_MAX_ROW_KEY), DEFAULT_JOURNAL_MAX_ROWS).toInt());
    ui->saveJournalToFile->setChecked(
        settings->value(QLatin1String(JOURNAL_SAVE_TO_FILE_KEY), true).toBool());
    ui->journalAutoScroll->setChecked(settings->value(QLatin1String(JOURNAL_AUTO_SCROLL_KEY), true).toBool());

    auto* model = new JournalModel(ui->journalMaxRow->value());
    auto* mainItem = new JournalExchangeItem(QString());
    XJournalModel = model;
    XMainJournalItem = mainItem;
    // The model outlives the window (deleteLater) and frees the channel itself;
    // the globals must not point at either once they are gone.
    connect(model, &QObject::destroyed, [model] {
        if (XJournalModel == model)
            XJournalModel = nullptr;
    });
    connect(mainItem, &QObject::destroyed, [mainItem] {
        if (XMainJournalItem == mainItem)
            XMainJournalItem = nullptr;
    });
    model->addSource(mainItem);

    ui->journalTableView->setModel(model);
    QHeaderView* header = ui->journalTableView->horizontalHeader();
    header->setStretchLastSection(true);
    ui->gridLayout->addWidget(model->filter(), JOURNAL_FILTER_ROW, 0);

    // Until the operator sets them, the columns fit their titles and a typical row.
    QTableView* view = ui->journalTableView;
    const auto* delegate = qobject_cast<const QStyledItemDelegate*>(view->itemDelegate());
    const QString typicalTime = delegate ? delegate->displayText(TYPICAL_JOURNAL_TIME, view->locale())
                                         : view->locale().toString(TYPICAL_JOURNAL_TIME, QLocale::ShortFormat);
    const QList<int> typicalRow { XTableFit::cellTextWidth(view, typicalTime),
        XTableFit::cellTextWidth(view, QLatin1String(TYPICAL_JOURNAL_SOURCE)) };
    for (int column = 0; column < model->columnCount() - 1; ++column) {
        const int width = settings
                              ->value(journalColumnWidthKey(column),
                                  std::max(view->columnWidth(column),
                                      XTableFit::neededColumnWidth(view, column, typicalRow)))
                              .toInt();
        view->setColumnWidth(column, width);
    }
    connect(header, &QHeaderView::sectionResized, this, &MainWindow::journalSectionResized);

    auto* toExcelButton = new QPushButton(tr("To Excel"), ui->tab_Journal);
    ui->journalSettingsLay->addWidget(toExcelButton);
    connect(toExcelButton, &QPushButton::clicked, model, &JournalModel::toExcel);
    settings->endGroup();

    connect(model, &JournalModel::appended, this, &MainWindow::journalAppended);
    connect(model, &JournalModel::iconUpdated, this, &MainWindow::journalIconUpdated);
    connect(ui->journalMaxRow, &QSpinBox::editingFinished, this, &MainWindow::journalSettingsChanged);
    connect(ui->saveJournalToFile, &QCheckBox::toggled, this, &MainWindow::journalSettingsChanged);
    connect(ui->journalAutoScroll, &QCheckBox::toggled, this, &MainWindow::journalSettingsChanged);

    XStoredFile::Found found = XStoredFile::Found::Missing;
    QString kept;
    if (ui->saveJournalToFile->isChecked()) {
        QVariantMap stored;
        found = XStoredFile::readJsonObject(journalFilePath(), &stored, JournalModel::isWellTyped, &kept);
        // Set aside at once: the next save would replace it.
        if (found == XStoredFile::Found::Unreadable)
            kept = XStoredFile::keepUnreadable(journalFilePath());
        if (found == XStoredFile::Found::WellTyped || found == XStoredFile::Found::Converted)
            model->setMap(stored);
        model->addNew(QString(), tr("Program started"));
    }
    model->resetErrors();
    // After the reset: a file set aside keeps the error mark up.
    journalFound(journalFilePath(), found, kept);
}

void MainWindow::initTrayIcon()
{
    trayIcon = new QSystemTrayIcon(applicationData->trayIcon(), this);
    trayIcon->setVisible(true);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::trayIconClicked);

    auto* trayMenu = new QMenu(QStringLiteral("menu"), this);
    QAction* exitAction = trayMenu->addAction(tr("Exit"));
    connect(exitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
    trayIcon->setContextMenu(trayMenu);
}

void MainWindow::restoreWindowPlacement()
{
    settings->beginGroup(QStringLiteral("window"));
    restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    restoreState(settings->value(QStringLiteral("windowState")).toByteArray(), WINDOW_STATE_VERSION);
    settings->endGroup();
}

void MainWindow::initWidgetsTab()
{
    auto* scrollArea = new XWidgetPanelScrollArea;
    ui->tabWidget->insertTab(WIDGETS_TAB_INDEX, scrollArea, tr("Widgets"));
    auto* panel = new XWidgetPanel(settings, scrollArea);
    XWidgetsPanel = panel;
    // Nothing may reach a panel that died with its window through the
    // program-wide pointer.
    connect(panel, &QObject::destroyed, [panel] {
        if (XWidgetsPanel == panel)
            XWidgetsPanel = nullptr;
    });
    connect(
        panel->contextMenu, &XWidgetPanelContextMenu::makeGroupClicked, this, &MainWindow::xWidgetGroupMake);
    connect(panel->contextMenu, &XWidgetPanelContextMenu::makeStandartWidgetClicked, this,
        &MainWindow::xWidgetStandartMake);
    ui->tabWidget->setCurrentIndex(WIDGETS_TAB_INDEX);
}

void MainWindow::loadStyles()
{
    QFile file(appDir() + QStringLiteral("/styles.css"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    file.close();
    const int firstZero = bytes.indexOf('\0');
    if (firstZero >= 0)
        bytes.truncate(firstZero);
    qApp->setStyleSheet(QString::fromUtf8(bytes));
}

void MainWindow::initSerialPort()
{
    XSerialPortCommon = new XSerialPort(settings);
    settings->beginGroup(QStringLiteral("serialPort"));
    if (settings->value(QStringLiteral("available"), false).toBool())
        XSerialPortCommon->serialPortSetAvailable(settings->value(QStringLiteral("portName")).toString(), true);
    settings->endGroup();
}

void MainWindow::initWebServer()
{
    serverSettings = std::make_unique<XServerSettings>(settings);
    webServer = new XServer(serverSettings.get(), this);
    serverWidget = webServer->widget();
}

void MainWindow::initModulesTab()
{
    modulesTab = new XModulesTabWidget;
    ui->tabWidget->addTab(modulesTab, tr("Modules"));
    connect(modulesTab, &XModulesTabWidget::addModuleCliked, this, &MainWindow::addModuleClicked);
}

void MainWindow::loadGroups()
{
    // Records left by a main window made earlier in this process: its groups
    // died with it.
    qDeleteAll(XWidgetGroupSettingsList);
    XWidgetGroupSettingsList.clear();

    settings->beginGroup(QLatin1String(GROUPS_SETTINGS_GROUP));
    const QStringList keys = settings->allKeys();
    for (const QString& key : keys) {
        // An entry that holds no group costs only itself; the start-up check told of it.
        const QVariant value = settings->value(key);
        if (!isGroup(value))
            continue;
        auto* record = new XWidgetGroupSettings;
        record->setMap(value.toMap());
        XWidgetGroupSettingsList.append(record);
        xWidgetGroupAdd();
        XWidgetsPanel->groups->last()->moveAndResize();
    }
    settings->endGroup();
}

void MainWindow::loadStandartWidgets()
{
    const QFileInfoList files = widgetFiles();
    for (const QFileInfo& file : files) {
        QVariantMap map;
        QString kept;
        const XStoredFile::Found found
            = XStoredFile::readJsonObject(file.filePath(), &map, XWidgetStandartSettings::isWellTyped, &kept);
        if (found == XStoredFile::Found::Unreadable) {
            // Nothing replaces it, so it stays in the folder for the operator to mend.
            m_unreadableWidgetFiles.append(file.fileName());
            if (XMainJournalItem) {
                const QString text
                    = tr("%1 could not be read; no widget is made from it and the file is left as "
                         "it is")
                          .arg(QDir::toNativeSeparators(file.filePath()));
                XMainJournalItem->add(text, JournalItem::ITEM_LEVEL_CRITICAL);
            }
            continue;
        }
        if (found == XStoredFile::Found::Missing)
            continue;
        journalFound(file.filePath(), found, kept);
        auto* record = new XWidgetStandartSettings;
        record->setMap(map);
        // The whole name before ".sw": an ID with dots must come back as it was saved.
        record->base.id = file.completeBaseName();
        XWidgetStandartSettingsList.append(record);
        xWidgetStandartAdd();
    }
    for (XWidgetStandart* widget : qAsConst(XWidgetStandartList))
        emit widget->standartWidgetsLoaded();
}

void MainWindow::loadUsers()
{
    XStoredFile::Found found = XStoredFile::Found::Missing;
    QString kept;
    XUsersList.append(UsersFile::read(usersFilePath(), &found, &kept));
    journalFound(usersFilePath(), found, kept);
}

void MainWindow::loadModules()
{
    const QFileInfoList files = moduleFiles();
    for (const QFileInfo& file : files) {
        // The module comes up either way; with its file set aside, on the defaults.
        QVariantMap map;
        QString kept;
        const XStoredFile::Found found
            = XStoredFile::readJsonObject(file.filePath(), &map, XModuleSettings::isWellTyped, &kept);
        if (found == XStoredFile::Found::Unreadable)
            kept = XStoredFile::keepUnreadable(file.filePath());
        journalFound(file.filePath(), found, kept);
        addModule(file.completeBaseName());
    }
    modulesTab->setCurrentIndex(0);
}

void MainWindow::initUsersTab()
{
    ui->tabWidget->addTab(new UsersWidget(&XUsersList), tr("Users"));
}

void MainWindow::initSettingsTab()
{
    auto* settingsTab = new AppSettingsWidget(settings, serverWidget);
    ui->tabWidget->addTab(settingsTab, tr("Settings"));
    connect(settingsTab, &AppSettingsWidget::serialPortSetAvailable, XSerialPortCommon,
        &XSerialPort::serialPortSetAvailable);
}

bool MainWindow::writeUsers()
{
    return UsersFile::write(usersFilePath(), XUsersList);
}

void MainWindow::saveUsers()
{
    // Users that could not be stored stay in the list rather than vanish.
    if (!writeUsers())
        return;
    // The records are not deleted: a connection thread may still hold its
    // signed-in user.
    XUsersList.clear();
}

void MainWindow::saveStandartWidgets()
{
    // Every widget is written before any file is removed, and nothing is removed
    // after a failed write: a widget whose new file could not be written keeps
    // whatever file it had.
    if (!XWidgetStandartSettingsList.isEmpty())
        QDir().mkpath(widgetsDir());
    // A set: with thousands of widgets a list look-up per file takes seconds.
    QSet<QString> written;
    bool allWritten = true;
    for (XWidgetStandartSettings* record : qAsConst(XWidgetStandartSettingsList)) {
        const QString path = widgetFilePath(record->base.id);
        if (path.isEmpty()) {
            XStoredFile::reportFailure(
                record->base.id + QLatin1String(WIDGET_FILE_SUFFIX), XWidgetIdCheck::refusal(record->base.id));
            allWritten = false;
            continue;
        }
        if (!XStoredFile::writeJsonObject(path, record->getMap())) {
            allWritten = false;
            continue;
        }
        written.insert(QFileInfo(path).fileName());
    }
    if (!allWritten)
        return;

    // A file that could not be read at start belongs to no widget we know:
    // it stays for the operator to mend.
    const QFileInfoList files = widgetFiles();
    for (const QFileInfo& file : files) {
        if (!written.contains(file.fileName()) && !m_unreadableWidgetFiles.contains(file.fileName()))
            QFile::remove(file.filePath());
    }
}

bool MainWindow::saveGroups()
{
    QVariantMap groups;
    for (XWidgetGroupSettings* record : qAsConst(XWidgetGroupSettingsList))
        groups.insert(record->name, record->map());
    QVariantMap stored;
    settings->beginGroup(QLatin1String(GROUPS_SETTINGS_GROUP));
    const QStringList keys = settings->allKeys();
    for (const QString& key : keys)
        stored.insert(key, settings->value(key));
    settings->endGroup();
    // Written only when changed: every write is a change of the settings to be saved.
    if (stored == groups)
        return false;
    settings->remove(QLatin1String(GROUPS_SETTINGS_GROUP));
    settings->beginGroup(QLatin1String(GROUPS_SETTINGS_GROUP));
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        settings->setValue(it.key(), it.value());
    settings->endGroup();
    return true;
}

void MainWindow::deleteSerialPort()
{
    delete XSerialPortCommon;
    XSerialPortCommon = nullptr;
}

void MainWindow::saveWindowPlacement()
{
    settings->beginGroup(QStringLiteral("window"));
    settings->setValue(QStringLiteral("geometry"), saveGeometry());
    settings->setValue(QStringLiteral("windowState"), saveState(WINDOW_STATE_VERSION));
    settings->endGroup();
}

void MainWindow::postProgramClosed()
{
    if (XJournalModel)
        XJournalModel->addNew(QString(), tr("Program closed"));
}

void MainWindow::saveJournal()
{
    if (XJournalModel && ui->saveJournalToFile->isChecked())
        XStoredFile::writeJsonObject(journalFilePath(), XJournalModel->map());
}

void MainWindow::releaseJournal()
{
    if (!XJournalModel)
        return;
    // Entries posted from here on (the modules go next) are still kept, but the
    // window, half taken down, no longer follows them.
    disconnect(XJournalModel, nullptr, this, nullptr);
    XJournalModel->deleteLater();
}

void MainWindow::deleteModulesTab()
{
    delete modulesTab;
    modulesTab = nullptr;
}

void MainWindow::saveSettingsFile()
{
    XStoredFile::writeIni(settingsFilePath(), *settings);
}

void MainWindow::removeStaleModuleFiles()
{
    const QFileInfoList files = moduleFiles();
    for (const QFileInfo& file : files) {
        if (!normallyDestroyedModules.contains(file.completeBaseName()))
            QFile::remove(file.filePath());
    }
}

void MainWindow::trayIconClicked(QSystemTrayIcon::ActivationReason reason)
{
    Q_UNUSED(reason)
    setVisible(true);
}

void MainWindow::addModuleClicked()
{
    bool ok = false;
    const QString name
        = XInputDialog::getText(this, tr("New module"), tr("Name"), QLineEdit::Normal, tr("New module"), &ok);
    if (!ok)
        return;
    const QString refusal = XModule::nameRefusal(name);
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, QString(), refusal);
        return;
    }
    if (modulesTab->isNameBusy(name, true, this))
        return;
    XModuleMakeDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.libName().isEmpty())
        return;
    const QString path = XModule::filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    XModuleSettings record;
    record.libName = dialog.libName();
    XStoredFile::writeJsonObject(path, record.map());
    addModule(name);
}

void MainWindow::addModule(QString name)
{
    auto* module = new XModule(name, modulesTab);
    connect(this, &MainWindow::allLoaded, module, &XModule::allLoaded);
    connect(module, &XModule::normalDestroyed, this, &MainWindow::moduleNormalDestroyed);
    XModulesList.append(module);
    scheduleSave();
}

void MainWindow::moduleNormalDestroyed(QString name)
{
    normallyDestroyedModules.append(name);
}

void MainWindow::xWidgetGroupMake()
{
    bool ok = false;
    const QString name = XInputDialog::getText(
        this, tr("Make new group"), tr("Group name"), QLineEdit::Normal, tr("New Group"), &ok);
    if (!ok)
        return;
    if (name.isEmpty()) {
        QMessageBox::information(this, tr("Make new group"), tr("String is empty"), QMessageBox::Ok);
        return;
    }
    if (XWidgetsPanel->getGroupByName(name)) {
        QMessageBox::information(this, tr("Make new group"), tr("Name is busy"), QMessageBox::Ok);
        return;
    }
    auto* record = new XWidgetGroupSettings;
    record->name = name;
    XWidgetGroupSettingsList.append(record);
    xWidgetGroupAdd();
}

void MainWindow::xWidgetGroupAdd()
{
    if (XWidgetGroupSettingsList.isEmpty())
        return;
    auto* group = new XWidgetGroup(XWidgetGroupSettingsList.last(), XWidgetsPanel);
    connect(group, &XWidgetGroup::groupDelete, this, &MainWindow::xWidgetGroupDelete);
    connect(group, &XWidgetGroup::makeStandartWidgetClicked, this, &MainWindow::xWidgetStandartMake);
    XWidgetsPanel->groups->append(group);
    scheduleSave();
}

void MainWindow::xWidgetGroupDelete(XWidgetGroup* group)
{
    const int index = XWidgetsPanel->groups->indexOf(group);
    if (index < 0)
        return;
    // The journal comes up with its own step; until then there is no channel.
    if (XMainJournalItem) {
        XMainJournalItem->add(
            tr("Group <%1> deleted").arg(group->settings->name), JournalItem::ITEM_LEVEL_NONE);
    }
    group->deleteLater();
    XWidgetsPanel->groups->removeAt(index);
    if (index < XWidgetGroupSettingsList.count()) {
        // Out of the list at once, so it is not saved; freed only with the
        // group, which may still paint or see the pointer before it goes.
        XWidgetGroupSettings* record = XWidgetGroupSettingsList.takeAt(index);
        connect(group, &QObject::destroyed, [record] { delete record; });
    }
    scheduleSave();
}

QString MainWindow::makeNewWidgetDialog()
{
    bool ok = false;
    const QString id = XInputDialog::getText(
        this, tr("Make new widget"), tr("Widget ID"), QLineEdit::Normal, tr("NewWidget"), &ok);
    if (!ok)
        return QString();
    const QString refusal = XWidgetIdCheck::refusal(id);
    if (!refusal.isEmpty()) {
        QMessageBox::information(this, tr("Make new widget"), refusal);
        return QString();
    }
    if (XWidgetsPanel->getXWidgetByID(id)) {
        QMessageBox::information(this, tr("Make new widget"), tr("ID is busy"));
        return QString();
    }
    return id;
}

void MainWindow::xWidgetStandartMake()
{
    const QString id = makeNewWidgetDialog();
    if (id.isEmpty())
        return;
    auto* record = new XWidgetStandartSettings;
    record->base.id = id;
    if (auto* group = qobject_cast<XWidgetGroup*>(sender()))
        record->base.group = group->settings->name;
    XWidgetStandartSettingsList.append(record);
    xWidgetStandartAdd();
}

void MainWindow::xWidgetStandartAdd()
{
    XWidgetStandartSettings* record = XWidgetStandartSettingsList.last();
    auto* journal = new JournalExchangeItem(record->base.id);
    if (XJournalModel)
        XJournalModel->addSource(journal);
    auto* widget = new XWidgetStandart(record, journal, XWidgetsPanel);
    connect(widget, &XWidgetStandart::deleteMe, this, &MainWindow::xWidgetStandartDelete);
    connect(this, &MainWindow::allLoaded, widget, &XWidgetStandart::allLoadedSlot);
    connect(widget, &XWidgetStandart::scriptParametersChanged, this, &MainWindow::scheduleSave);
    // The record lives exactly as long as its widget, which points into it:
    // it goes when the widget is gone, whether deleted or destroyed with the panel.
    connect(widget, &QObject::destroyed, [widget, record] {
        XWidgetStandartList.removeOne(widget);
        XWidgetStandartSettingsList.removeOne(record);
        delete record;
    });
    XWidgetStandartList.append(widget);
    scheduleSave();
}

void MainWindow::xWidgetStandartDelete(XWidgetStandart* xsw)
{
    const int i = XWidgetStandartList.indexOf(xsw);
    if (i < 0)
        return;
    XWidgetStandartList.removeAt(i);
    xsw->deleteLater();
    // The record leaves the list now; it is freed once the widget is gone.
    if (i < XWidgetStandartSettingsList.size())
        XWidgetStandartSettingsList.removeAt(i);
    scheduleSave();
}

void MainWindow::tabCurrentChanged(int index)
{
    if (XJournalModel && index == ui->tabWidget->indexOf(ui->tab_Journal))
        XJournalModel->resetErrors();
}

void MainWindow::journalSettingsChanged()
{
    if (XJournalModel)
        XJournalModel->setMaxRows(ui->journalMaxRow->value());
    settings->beginGroup(QLatin1String(JOURNAL_GROUP));
    settings->setValue(QLatin1String(JOURNAL_MAX_ROW_KEY), ui->journalMaxRow->value());
    settings->setValue(QLatin1String(JOURNAL_SAVE_TO_FILE_KEY), ui->saveJournalToFile->isChecked());
    settings->setValue(QLatin1String(JOURNAL_AUTO_SCROLL_KEY), ui->journalAutoScroll->isChecked());
    settings->endGroup();
}

void MainWindow::on_clearJournal_clicked()
{
    if (XJournalModel)
        XJournalModel->clear();
}

void MainWindow::journalSectionResized(int logicalIndex, int, int newSize)
{
    settings->beginGroup(QLatin1String(JOURNAL_GROUP));
    settings->setValue(journalColumnWidthKey(logicalIndex), newSize);
    settings->endGroup();
}

void MainWindow::journalAppended()
{
    if (ui->journalAutoScroll->isChecked())
        ui->journalTableView->scrollToBottom();
}

void MainWindow::journalIconUpdated()
{
    if (XJournalModel)
        ui->tabWidget->setTabIcon(ui->tabWidget->indexOf(ui->tab_Journal), XJournalModel->errorIcon());
}

void MainWindow::trayShowMess(QString title, QString msg)
{
    trayIcon->showMessage(title, msg, QSystemTrayIcon::NoIcon, TRAY_MESSAGE_TIMEOUT_MS);
}

void MainWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId) {
        if (applicationData->sharedValue() == 1)
            activateWindow();
        applicationData->setSharedValue(0);
        watchUsers();
    }
    QMainWindow::timerEvent(event);
}
