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
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QStyledItemDelegate>
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

// A group is stored as a map; anything else in its place would be dropped at
// the next save.
bool groupsAreMaps(const QSettings& settings)
{
    const QString prefix = QLatin1String(GROUPS_SETTINGS_GROUP) + QLatin1Char('/');
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (key.startsWith(prefix) && settings.value(key).userType() != QMetaType::QVariantMap)
            return false;
    }
    return true;
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
    return appDir() + QStringLiteral("/settings.ini");
}

// What made QSettings fail: it does not say, so the write it attempts is
// tried again the same way.
QString settingsWriteFailureReason(const QString& path)
{
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    probe.cancelWriting();
    return MainWindow::tr("the settings could not be written");
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
    // Before QSettings has a chance to write the damage back as if it were good.
    const QString keptSettings = XStoredFile::keepUnreadableIni(settingsFilePath(), groupsAreMaps);
    settings = new QSettings(settingsFilePath(), QSettings::IniFormat, this);
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
    emit allLoaded();
}

MainWindow::~MainWindow()
{
    saveUsers();
    saveStandartWidgets();
    saveGroups();
    saveWindowPlacement();
    postProgramClosed();
    releaseJournal();
    // The modules' clean-up may still need the serial port and the panel.
    deleteModulesTab();
    // After the modules, so that what they journal on their way out is kept.
    saveJournal();
    deleteSerialPort();
    syncSettings();
    removeStaleModuleFiles();
    printSaveFailures();
    delete ui;
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
    if (XMainJournalItem)
        XMainJournalItem->add(message, JournalItem::ITEM_LEVEL_CRITICAL);
    m_saveFailures.append(message);
}

void MainWindow::journalKeptAside(const QString& path, const QString& kept)
{
    if (kept.isEmpty() || !XMainJournalItem)
        return;
    XMainJournalItem->add(tr("%1 holds values of the wrong type and is kept as %2")
                              .arg(QDir::toNativeSeparators(path), QFileInfo(kept).fileName()),
        JournalItem::ITEM_LEVEL_CRITICAL);
}

void MainWindow::printSaveFailures()
{
    XStoredFile::setFailureHandler(nullptr);
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

    if (ui->saveJournalToFile->isChecked()) {
        QVariantMap stored;
        QString kept;
        if (XStoredFile::readJsonObject(journalFilePath(), &stored, JournalModel::isWellTyped, &kept))
            model->setMap(stored);
        model->addNew(QString(), tr("Program started"));
        journalKeptAside(journalFilePath(), kept);
    }
    model->resetErrors();
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
        auto* record = new XWidgetGroupSettings;
        record->setMap(settings->value(key).toMap());
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
        if (!XStoredFile::readJsonObject(file.filePath(), &map, XWidgetStandartSettings::isWellTyped, &kept)) {
            // Moved aside it no longer stands in the folder for the operator to mend.
            if (kept.isEmpty())
                m_unreadableWidgetFiles.append(file.fileName());
            journalKeptAside(file.filePath(), kept);
            continue;
        }
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
    QString kept;
    XUsersList.append(UsersFile::read(usersFilePath(), &kept));
    journalKeptAside(usersFilePath(), kept);
}

void MainWindow::loadModules()
{
    const QFileInfoList files = moduleFiles();
    for (const QFileInfo& file : files) {
        // The module still comes up, as with a file that does not parse.
        QVariantMap map;
        QString kept;
        XStoredFile::readJsonObject(file.filePath(), &map, XModuleSettings::isWellTyped, &kept);
        journalKeptAside(file.filePath(), kept);
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

void MainWindow::saveUsers()
{
    // Users that could not be stored stay in the list rather than vanish.
    if (!UsersFile::write(usersFilePath(), XUsersList))
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

void MainWindow::saveGroups()
{
    settings->remove(QLatin1String(GROUPS_SETTINGS_GROUP));
    settings->beginGroup(QLatin1String(GROUPS_SETTINGS_GROUP));
    for (XWidgetGroupSettings* record : qAsConst(XWidgetGroupSettingsList))
        settings->setValue(record->name, record->map());
    settings->endGroup();
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

void MainWindow::syncSettings()
{
    settings->sync();
    if (settings->status() == QSettings::AccessError)
        XStoredFile::reportFailure(settings->fileName(), settingsWriteFailureReason(settings->fileName()));
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
    // The record lives exactly as long as its widget, which points into it:
    // it goes when the widget is gone, whether deleted or destroyed with the panel.
    connect(widget, &QObject::destroyed, [widget, record] {
        XWidgetStandartList.removeOne(widget);
        XWidgetStandartSettingsList.removeOne(record);
        delete record;
    });
    XWidgetStandartList.append(widget);
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
    }
    QMainWindow::timerEvent(event);
}
