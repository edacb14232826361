#pragma once

#include "xstoredfile.h"

#include <QMainWindow>
#include <QMap>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include <memory>

class ApplicationData;
class QSettings;
class XAutoSave;
class XServer;
class XServerSettings;
class XServerWidget;
class XModulesTabWidget;
class XWidgetGroup;
class XWidgetStandart;

namespace Ui {
class MainWindow;
}

// The program's spine: builds every program-wide object in a fixed order and
// loads all stored state; the destructor saves all of it.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(ApplicationData* applicationData, QWidget* parent = nullptr);
    ~MainWindow() override;

signals:
    void allLoaded();

public slots:
    void trayIconClicked(QSystemTrayIcon::ActivationReason reason);
    void addModuleClicked();
    void addModule(QString name);
    void moduleNormalDestroyed(QString name);
    void xWidgetGroupMake();
    void xWidgetGroupAdd();
    void xWidgetGroupDelete(XWidgetGroup* group);
    QString makeNewWidgetDialog();
    void xWidgetStandartMake();
    void xWidgetStandartAdd();
    void xWidgetStandartDelete(XWidgetStandart* xsw);
    void tabCurrentChanged(int index);
    void journalSettingsChanged();
    void on_clearJournal_clicked();
    void journalSectionResized(int logicalIndex, int, int newSize);
    void journalAppended();
    void journalIconUpdated();
    void trayShowMess(QString title, QString msg);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Constructor steps, in the order the constructor runs them.
    void loadTranslations();
    void initJournal();
    void initTrayIcon();
    void restoreWindowPlacement();
    void initWidgetsTab();
    void loadStyles();
    void initSerialPort();
    void initWebServer();
    void initModulesTab();
    void loadGroups();
    void loadStandartWidgets();
    void loadUsers();
    void loadModules();
    void initUsersTab();
    void initSettingsTab();

    // Destructor steps, in the order the destructor runs them.
    void saveUsers();
    void saveStandartWidgets();
    // True when the groups in the settings changed.
    bool saveGroups();
    void saveWindowPlacement();
    void postProgramClosed();
    void releaseJournal();
    void deleteModulesTab();
    void deleteSerialPort();
    void saveSettingsFile();
    void saveJournal();
    void removeStaleModuleFiles();
    void printSaveFailures();

    // QSettings works on a copy in a private folder, filled from settings.ini:
    // the stored file itself is written by the one atomic writer only.
    QSettings* openSettings();
    // The stored files whose content changed, while the program runs.
    void saveChanges();
    bool writeUsers();
    void saveModules();
    // A change that no operator input announces: the browsers' user settings.
    void watchUsers();
    void scheduleSave();

    // Temporaries that a kill during an earlier save left beside the stored files.
    void removeSaveLeftovers();
    // A stored file that could not be written: a critical journal entry (once
    // while it keeps failing), and a line on standard error at exit unless a
    // later save of it succeeded.
    void reportSaveFailure(const QString& path, const QString& reason);
    void forgetMendedFailures();
    // Journal entry for a stored file found damaged at start: one read
    // converted (warning) or one set aside whole (critical), naming the copy.
    void journalFound(const QString& path, XStoredFile::Found found, const QString& kept);

    void installTranslator(const QString& fileName, const QString& directory);

    ApplicationData* applicationData = nullptr;
    QStringList normallyDestroyedModules;
    QSystemTrayIcon* trayIcon = nullptr;
    XModulesTabWidget* modulesTab = nullptr;
    QSettings* settings = nullptr;
    XServer* webServer = nullptr;
    std::unique_ptr<XServerSettings> serverSettings;
    // The web server's settings box, handed to the settings tab.
    XServerWidget* serverWidget = nullptr;
    int timerId = 0;
    // .sw files that could not be read at start; never removed by the program.
    QStringList m_unreadableWidgetFiles;
    // The message of each file whose last save failed, by its path.
    QMap<QString, QString> m_saveFailures;
    XAutoSave* m_autoSave = nullptr;
    // What of the users was last seen, to notice what a browser changed.
    QVariantMap m_usersContent;
    Ui::MainWindow* ui = nullptr;
};
