#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appglobals.h"
#include "applicationdata.h"
#include "appsettingswidget.h"
#include "usersfile.h"
#include "userswidget.h"
#include "xserialport.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QSettings>
#include <QTimerEvent>
#include <QTranslator>

namespace {
const int MAILBOX_TIMER_INTERVAL_MS = 1000;
const int TRAY_MESSAGE_TIMEOUT_MS = 60000;
const int WINDOW_STATE_VERSION = 0;

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString usersFilePath()
{
    return appDir() + QStringLiteral("/users");
}
}

MainWindow::MainWindow(ApplicationData* applicationData, QWidget* parent)
    : QMainWindow(parent)
    , applicationData(applicationData)
    , ui(new Ui::MainWindow)
{
    settings = new QSettings(appDir() + QStringLiteral("/settings.ini"), QSettings::IniFormat, this);
    loadTranslations();
    ui->setupUi(this);
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(" V")
        + QCoreApplication::applicationVersion());
    setWindowIcon(applicationData->windowIcon());
    initJournal();
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
    deleteSerialPort();
    saveWindowPlacement();
    postProgramClosed();
    saveJournal();
    releaseJournal();
    deleteModulesTab();
    settings->sync();
    removeStaleModuleFiles();
    delete ui;
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
}

void MainWindow::initModulesTab()
{
}

void MainWindow::loadGroups()
{
}

void MainWindow::loadStandartWidgets()
{
}

void MainWindow::loadUsers()
{
    XUsersList.append(UsersFile::read(usersFilePath()));
}

void MainWindow::loadModules()
{
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
}

void MainWindow::saveGroups()
{
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
}

void MainWindow::saveJournal()
{
}

void MainWindow::releaseJournal()
{
}

void MainWindow::deleteModulesTab()
{
}

void MainWindow::removeStaleModuleFiles()
{
}

void MainWindow::trayIconClicked(QSystemTrayIcon::ActivationReason reason)
{
    Q_UNUSED(reason)
    setVisible(true);
}

void MainWindow::addModuleClicked()
{
}

void MainWindow::addModule(QString name)
{
    Q_UNUSED(name)
}

void MainWindow::moduleNormalDestroyed(QString name)
{
    normallyDestroyedModules.append(name);
}

void MainWindow::xWidgetGroupMake()
{
}

void MainWindow::xWidgetGroupAdd()
{
}

void MainWindow::xWidgetGroupDelete(XWidgetGroup* group)
{
    Q_UNUSED(group)
}

QString MainWindow::makeNewWidgetDialog()
{
    return QString();
}

void MainWindow::xWidgetStandartMake()
{
}

void MainWindow::xWidgetStandartAdd()
{
}

void MainWindow::xWidgetStandartDelete(XWidgetStandart* xsw)
{
    Q_UNUSED(xsw)
}

void MainWindow::tabCurrentChanged(int index)
{
    Q_UNUSED(index)
}

void MainWindow::journalSettingsChanged()
{
}

void MainWindow::on_clearJournal_clicked()
{
}

void MainWindow::journalSectionResized(int logicalIndex, int, int newSize)
{
    Q_UNUSED(logicalIndex)
    Q_UNUSED(newSize)
}

void MainWindow::journalAppended()
{
}

void MainWindow::journalIconUpdated()
{
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
