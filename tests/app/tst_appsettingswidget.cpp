#include "applicationdata.h"
#include "appsettingswidget.h"
#include "mainwindow.h"
#include "testappfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
const int STILL_RUNNING_EXIT_CODE = 77;
const int AFTER_CLOSE_MS = 300;
const int GIVE_UP_MS = 10000;

QTemporaryDir* configHome = nullptr;

// Notes when the application is told to quit: closing the last window posts
// that request rather than ending the event loop at once.
class QuitWatch : public QObject
{
public:
    QuitWatch() { qApp->installEventFilter(this); }
    bool requested = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit)
            requested = true;
        return false;
    }
};

QString autostartEntry()
{
    return configHome->path() + QStringLiteral("/autostart/Velmora.desktop");
}

QString lngDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lng");
}
}

class tst_AppSettingsWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void languageEntries();
    void availableWithoutPortUnchecksItself();
    void storedPortMissingAtStartKeepsSettings();
    void storedPortMissingStaysChosen_data();
    void storedPortMissingStaysChosen();
    void cancelRestoresStoredValues();
    void saveLanguage_data();
    void saveLanguage();
    void autorunWrittenAndRemoved();
    void closingTheWindow_data();
    void closingTheWindow();

private:
    template <typename T> static T* child(QWidget* widget, const char* name)
    {
        T* found = widget->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    static void click(QWidget* widget, const char* checkBoxName)
    {
        auto* box = child<QCheckBox>(widget, checkBoxName);
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    }
    static void press(QWidget* widget, QDialogButtonBox::StandardButton which)
    {
        QTest::mouseClick(child<QDialogButtonBox>(widget, "buttonBox")->button(which), Qt::LeftButton);
    }

    QString settingsPath() const { return m_settingsDir->path() + QStringLiteral("/settings.ini"); }
    void writeSettings(const QByteArray& content) const
    {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // A folder of its own for each test: QSettings keeps a parsed file in a
    // process-wide cache and reads it again only when its size or time stamp
    // changed, so a file rewritten at the same path with the same size within
    // one clock tick would be taken for the previous test's.
    std::unique_ptr<QTemporaryDir> m_settingsDir;
};

void tst_AppSettingsWidget::initTestCase()
{
    QVERIFY(configHome->isValid());
    QDir(lngDir()).removeRecursively();
    QVERIFY(QDir().mkpath(lngDir() + QStringLiteral("/xx.qm")));
    for (const char* name : { "tt.qm", "de.qm", "qt_de.qm", "qtbase_de.qm", "notes.txt" }) {
        QFile file(lngDir() + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void tst_AppSettingsWidget::init()
{
    m_settingsDir.reset(new QTemporaryDir);
    QVERIFY(m_settingsDir->isValid());
    QFile::remove(autostartEntry());
}

void tst_AppSettingsWidget::cleanup()
{
    QGuiApplication::setQuitOnLastWindowClosed(true);
}

void tst_AppSettingsWidget::cleanupTestCase()
{
    QDir(lngDir()).removeRecursively();
    TestAppFolder::cleanOwnFolder();
}

void tst_AppSettingsWidget::languageEntries()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    auto* combo = child<QComboBox>(&widget, "language");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries.append(combo->itemText(i));
    QCOMPARE(entries, (QStringList { "Default", "de", "tt" }));
    QCOMPARE(combo->currentIndex(), 0);
}

void tst_AppSettingsWidget::availableWithoutPortUnchecksItself()
{
    writeSettings("[serialPort]\navailable=false\nportName=\n");
    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    // Whatever ports this machine has, none is chosen here.
    child<QComboBox>(&widget, "portName")->clear();
    QSignalSpy switched(&widget, &AppSettingsWidget::serialPortSetAvailable);

    click(&widget, "serialPortAvailable");

    QVERIFY(!child<QCheckBox>(&widget, "serialPortAvailable")->isChecked());
    QVERIFY(child<QComboBox>(&widget, "portName")->isEnabled());
    QCOMPARE(switched.size(), 1);
    QCOMPARE(switched.at(0).at(1).toBool(), false);
    QCOMPARE(settings.value(QStringLiteral("serialPort/available")), QVariant(false));
    QCOMPARE(settings.value(QStringLiteral("serialPort/portName")).toString(), QString());
}

void tst_AppSettingsWidget::storedPortMissingAtStartKeepsSettings()
{
    writeSettings("[serialPort]\navailable=true\nportName=ttyVELMORA_UNPLUGGED\n");
    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    press(&widget, QDialogButtonBox::Cancel);

    QCOMPARE(settings.value(QStringLiteral("serialPort/available")), QVariant(true));
    QCOMPARE(settings.value(QStringLiteral("serialPort/portName")).toString(),
        QStringLiteral("ttyVELMORA_UNPLUGGED"));
}

void tst_AppSettingsWidget::storedPortMissingStaysChosen_data()
{
    QTest::addColumn<bool>("available");

    QTest::newRow("switched on") << true;
    QTest::newRow("switched off") << false;
}

// No system lists this port: it is shown as chosen all the same, and
// switching "Available" off and on again stores it, not another one.
void tst_AppSettingsWidget::storedPortMissingStaysChosen()
{
    QFETCH(bool, available);
    const QString missing = QStringLiteral("ttyVELMORA_UNPLUGGED");
    writeSettings("[serialPort]\navailable=" + QByteArray(available ? "true" : "false")
        + "\nportName=" + missing.toLatin1() + "\n");
    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    auto* portName = child<QComboBox>(&widget, "portName");
    QCOMPARE(portName->currentText(), missing);
    QCOMPARE(child<QCheckBox>(&widget, "serialPortAvailable")->isChecked(), available);
    QSignalSpy switched(&widget, &AppSettingsWidget::serialPortSetAvailable);

    click(&widget, "serialPortAvailable");
    click(&widget, "serialPortAvailable");

    QCOMPARE(switched.size(), 2);
    for (const QList<QVariant>& emitted : qAsConst(switched))
        QCOMPARE(emitted.at(0).toString(), missing);
    QCOMPARE(settings.value(QStringLiteral("serialPort/portName")).toString(), missing);
    QCOMPARE(settings.value(QStringLiteral("serialPort/available")), QVariant(available));
    // Putting the stored values back lists the name once, not twice.
    const int entries = portName->count();
    press(&widget, QDialogButtonBox::Cancel);
    QCOMPARE(portName->count(), entries);
    QCOMPARE(portName->currentText(), missing);
}

void tst_AppSettingsWidget::cancelRestoresStoredValues()
{
    writeSettings("[General]\nminimizeOnClose=true\nuseStyles=false\nlanguage=tt\n");
    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());

    click(&widget, "autorun");
    click(&widget, "minimizeOnClose");
    click(&widget, "useStyles");
    child<QComboBox>(&widget, "language")->setCurrentIndex(0);
    press(&widget, QDialogButtonBox::Cancel);

    QVERIFY(!child<QCheckBox>(&widget, "autorun")->isChecked());
    QVERIFY(child<QCheckBox>(&widget, "minimizeOnClose")->isChecked());
    QVERIFY(!child<QCheckBox>(&widget, "useStyles")->isChecked());
    QCOMPARE(child<QComboBox>(&widget, "language")->currentText(), QStringLiteral("tt"));
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());
    QVERIFY(!QFile::exists(autostartEntry()));
    QCOMPARE(settings.value(QStringLiteral("language")).toString(), QStringLiteral("tt"));
    QCOMPARE(settings.value(QStringLiteral("useStyles")), QVariant(false));
}

void tst_AppSettingsWidget::saveLanguage_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("Default removes the key") << QByteArray("tt") << QStringLiteral("Default") << QVariant();
    QTest::newRow("a language is stored by name") << QByteArray() << QStringLiteral("de") << QVariant("de");
    QTest::newRow("a language whose file is gone is kept") << QByteArray("fr") << QString() << QVariant("fr");
}

void tst_AppSettingsWidget::saveLanguage()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, choice);
    QFETCH(QVariant, expected);
    if (!stored.isEmpty())
        writeSettings("[General]\nlanguage=" + stored + "\n");

    QSettings settings(settingsPath(), QSettings::IniFormat);
    AppSettingsWidget widget(&settings, nullptr);
    auto* combo = child<QComboBox>(&widget, "language");
    if (!choice.isEmpty())
        combo->setCurrentIndex(combo->findText(choice));
    press(&widget, QDialogButtonBox::Save);

    QCOMPARE(settings.contains(QStringLiteral("language")), expected.isValid());
    if (expected.isValid())
        QCOMPARE(settings.value(QStringLiteral("language")).toString(), expected.toString());
}

void tst_AppSettingsWidget::autorunWrittenAndRemoved()
{
    QSettings settings(settingsPath(), QSettings::IniFormat);
    {
        AppSettingsWidget widget(&settings, nullptr);
        QVERIFY(!child<QCheckBox>(&widget, "autorun")->isChecked());
        click(&widget, "autorun");
        press(&widget, QDialogButtonBox::Save);
    }
    QFile entry(autostartEntry());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = entry.readAll().split('\n');
    entry.close();
    QVERIFY(lines.contains("Exec=\"" + QCoreApplication::applicationFilePath().toUtf8() + '"'));

    AppSettingsWidget widget(&settings, nullptr);
    QVERIFY(child<QCheckBox>(&widget, "autorun")->isChecked());
    click(&widget, "autorun");
    press(&widget, QDialogButtonBox::Save);
    QVERIFY(!QFile::exists(autostartEntry()));
}

void tst_AppSettingsWidget::closingTheWindow_data()
{
    QTest::addColumn<bool>("minimizeOnClose");
    QTest::newRow("minimize on close keeps the program running") << true;
    QTest::newRow("without it closing the window quits") << false;
}

// The real event loop runs here, so that closing the last window can end it.
void tst_AppSettingsWidget::closingTheWindow()
{
    QFETCH(bool, minimizeOnClose);
    TestAppFolder::cleanOwnFolder();
    {
        QSettings appSettings(
            QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
        appSettings.setValue(QStringLiteral("minimizeOnClose"), minimizeOnClose);
    }
    ApplicationData applicationData;
    MainWindow window(&applicationData);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QAction* exitAction = window.findChild<QMenu*>()->actions().value(0);
    QVERIFY(exitAction);

    bool runningAfterClose = false;
    bool hiddenAfterClose = false;
    bool shownByTray = false;
    QuitWatch quit;
    QTimer::singleShot(0, &window, &QWidget::close);
    // Under load this timer can come due in the same pass as the close, before
    // the quit that the close posted is handled: that one is handled first.
    QTimer afterClose;
    afterClose.setSingleShot(true);
    connect(&afterClose, &QTimer::timeout, &window, [&] {
        QCoreApplication::sendPostedEvents(qApp, QEvent::Quit);
        if (quit.requested)
            return;
        runningAfterClose = true;
        hiddenAfterClose = !window.isVisible();
        window.trayIconClicked(QSystemTrayIcon::Trigger);
        shownByTray = window.isVisible();
        exitAction->trigger();
    });
    afterClose.start(AFTER_CLOSE_MS);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(STILL_RUNNING_EXIT_CODE); });
    giveUp.start(GIVE_UP_MS);

    const int exitCode = QCoreApplication::exec();
    afterClose.stop();
    giveUp.stop();

    QCOMPARE(exitCode, 0);
    QCOMPARE(runningAfterClose, minimizeOnClose);
    if (minimizeOnClose) {
        QVERIFY(hiddenAfterClose);
        QVERIFY(shownByTray);
    }
}

int main(int argc, char* argv[])
{
    // Before the application object exists, so nothing can have read the
    // real configuration folder: autostart entries land in a throw-away one.
    QTemporaryDir temporaryConfigHome;
    configHome = &temporaryConfigHome;
    qputenv("XDG_CONFIG_HOME", temporaryConfigHome.path().toLocal8Bit());

    QApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.3 build 200117"));
    tst_AppSettingsWidget test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appsettingswidget.moc"
