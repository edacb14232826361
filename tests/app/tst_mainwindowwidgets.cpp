#include "applicationdata.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testappfolder.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"
#include "xwidgetstandartsettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {
const char BROKEN_FILE[] = "{ \"base\": ";

QString appFile(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

QByteArray widgetFile(const QString& id, const QString& name = QString())
{
    return QJsonDocument(
        QJsonObject { { QStringLiteral("base"), QJsonObject { { QStringLiteral("id"), id } } },
            { QStringLiteral("name"), name } })
        .toJson();
}

QString storedId(const QByteArray& data)
{
    return QJsonDocument::fromJson(data)
        .object()
        .value(QStringLiteral("base"))
        .toObject()
        .value(QStringLiteral("id"))
        .toString();
}

// A save puts a new file in place of the old one; a file left alone keeps its inode.
quint64 inode(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

QStringList ids()
{
    QStringList result;
    for (XWidgetStandart* widget : qAsConst(XWidgetStandartList))
        result.append(widget->settings->base.id);
    return result;
}

// The new-widget question answered with `reply`, then, when the ID is
// refused, the message saying why.
QList<ModalAnswerer::Expected> newWidgetDialogs(const QString& reply, bool refused = false)
{
    QList<ModalAnswerer::Expected> expected { { "QInputDialog", "Make new widget", reply } };
    if (refused)
        expected << ModalAnswerer::Expected { "QMessageBox", "Make new widget", "OK" };
    return expected;
}
}

// The main window's standard widgets and their .sw files, in this process.
class tst_MainWindowWidgets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void filesLoadedUnderTheirNames();
    void exitRewritesTheFiles();
    void exitWritesOnlyChangedFiles();
    void deletedWidgetLosesItsFile();
    void makeNewWidget_data();
    void makeNewWidget();
    void widgetMadeFromGroupMenuStartsInGroup();
    void folderMadeWhenMissing();
    void failedWriteRemovesNothing();
    void allLoadedReachesWidgets();
    void demoFolderEndedBySigterm();

private:
    void writeWidgetFile(const QString& fileName, const QByteArray& data);
    QByteArray readWidgetFile(const QString& fileName);
    QStringList widgetFileNames();

    std::unique_ptr<ApplicationData> m_applicationData;
};

void tst_MainWindowWidgets::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData.reset(new ApplicationData);
}

void tst_MainWindowWidgets::cleanup()
{
    m_applicationData.reset();
}

void tst_MainWindowWidgets::writeWidgetFile(const QString& fileName, const QByteArray& data)
{
    QDir().mkpath(appFile(QStringLiteral("standart_widgets")));
    QFile file(appFile(QStringLiteral("standart_widgets/") + fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray tst_MainWindowWidgets::readWidgetFile(const QString& fileName)
{
    QFile file(appFile(QStringLiteral("standart_widgets/") + fileName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tst_MainWindowWidgets::widgetFileNames()
{
    return QDir(appFile(QStringLiteral("standart_widgets"))).entryList(QDir::Files, QDir::Name);
}

void tst_MainWindowWidgets::filesLoadedUnderTheirNames()
{
    writeWidgetFile(
        QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump"), QStringLiteral("Main pump")));
    writeWidgetFile(QStringLiteral("Other.sw"), widgetFile(QStringLiteral("Inside")));
    writeWidgetFile(QStringLiteral("pump.1.sw"), widgetFile(QStringLiteral("x")));
    writeWidgetFile(QStringLiteral("broken.sw"), BROKEN_FILE);
    writeWidgetFile(QStringLiteral("notes.txt"), widgetFile(QStringLiteral("notes")));

    MainWindow window(m_applicationData.get());
    QCOMPARE(
        ids(), QStringList({ QStringLiteral("Other"), QStringLiteral("pump.1"), QStringLiteral("Pump") }));
    QCOMPARE(XWidgetStandartSettingsList.size(), 3);
    QCOMPARE(XWidgetStandartSettingsList.at(2)->name, QStringLiteral("Main pump"));
    QCOMPARE(XWidgetsPanel->getXWidgetByID(QStringLiteral("Other")), XWidgetStandartList.first());
    QVERIFY(!XWidgetsPanel->getXWidgetByID(QStringLiteral("Inside")));
}

void tst_MainWindowWidgets::exitRewritesTheFiles()
{
    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    writeWidgetFile(QStringLiteral("Other.sw"), widgetFile(QStringLiteral("Inside")));
    writeWidgetFile(QStringLiteral("pump.1.sw"), widgetFile(QStringLiteral("x")));
    writeWidgetFile(QStringLiteral("broken.sw"), BROKEN_FILE);
    {
        MainWindow window(m_applicationData.get());
    }
    QCOMPARE(widgetFileNames(),
        QStringList({ QStringLiteral("Other.sw"), QStringLiteral("Pump.sw"), QStringLiteral("broken.sw"),
            QStringLiteral("pump.1.sw") }));
    QCOMPARE(storedId(readWidgetFile(QStringLiteral("Other.sw"))), QStringLiteral("Other"));
    QCOMPARE(storedId(readWidgetFile(QStringLiteral("pump.1.sw"))), QStringLiteral("pump.1"));
    // Not ours to judge: the operator's broken file is left as it was.
    QCOMPARE(readWidgetFile(QStringLiteral("broken.sw")), QByteArray(BROKEN_FILE));
}

void tst_MainWindowWidgets::exitWritesOnlyChangedFiles()
{
    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    writeWidgetFile(QStringLiteral("Valve.sw"), widgetFile(QStringLiteral("Valve")));
    {
        // Brings both files into the form the program writes.
        MainWindow window(m_applicationData.get());
    }
    const QString pumpPath = appFile(QStringLiteral("standart_widgets/Pump.sw"));
    const QString valvePath = appFile(QStringLiteral("standart_widgets/Valve.sw"));
    const QByteArray valveBefore = readWidgetFile(QStringLiteral("Valve.sw"));
    const quint64 pumpBefore = inode(pumpPath);
    const quint64 valveBeforeInode = inode(valvePath);
    {
        MainWindow window(m_applicationData.get());
        XWidgetStandartList.first()->moveTo(QPoint(40, 60));
    }
    QVERIFY(inode(pumpPath) != pumpBefore);
    QCOMPARE(QJsonDocument::fromJson(readWidgetFile(QStringLiteral("Pump.sw")))
                 .object()
                 .value(QStringLiteral("base"))
                 .toObject()
                 .value(QStringLiteral("position"))
                 .toVariant()
                 .toStringList(),
        QStringList({ QStringLiteral("40"), QStringLiteral("60") }));
    QCOMPARE(inode(valvePath), valveBeforeInode);
    QCOMPARE(readWidgetFile(QStringLiteral("Valve.sw")), valveBefore);
    QCOMPARE(widgetFileNames(), QStringList({ QStringLiteral("Pump.sw"), QStringLiteral("Valve.sw") }));
}

void tst_MainWindowWidgets::deletedWidgetLosesItsFile()
{
    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    writeWidgetFile(QStringLiteral("Valve.sw"), widgetFile(QStringLiteral("Valve")));
    {
        MainWindow window(m_applicationData.get());
        XWidgetStandart* pump = XWidgetStandartList.first();
        QPointer<XWidgetStandart> guard(pump);
        emit pump->deleteMe(pump);
        QCOMPARE(ids(), QStringList({ QStringLiteral("Valve") }));
        QCOMPARE(XWidgetStandartSettingsList.size(), 1);
        QCOMPARE(XWidgetStandartSettingsList.first()->base.id, QStringLiteral("Valve"));
        QTRY_VERIFY(guard.isNull());
    }
    QCOMPARE(widgetFileNames(), QStringList({ QStringLiteral("Valve.sw") }));
}

void tst_MainWindowWidgets::makeNewWidget_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("made");

    const QStringList existing { QStringLiteral("Pump") };
    QTest::newRow("a free ID") << QStringLiteral("Valve") << true << QString()
                               << QStringList { QStringLiteral("Pump"), QStringLiteral("Valve") };
    QTest::newRow("the proposed ID") << QStringLiteral("NewWidget") << true << QString()
                                     << QStringList { QStringLiteral("Pump"), QStringLiteral("NewWidget") };
    QTest::newRow("empty text") << QString() << true << QStringLiteral("String is empty") << existing;
    QTest::newRow("busy ID") << QStringLiteral("Pump") << true << QStringLiteral("ID is busy") << existing;
    QTest::newRow("cancelled") << QStringLiteral("Valve") << false << QString() << existing;
}

void tst_MainWindowWidgets::makeNewWidget()
{
    QFETCH(QString, text);
    QFETCH(bool, accept);
    QFETCH(QString, message);
    QFETCH(QStringList, made);

    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    MainWindow window(m_applicationData.get());
    ModalAnswerer answerer(
        newWidgetDialogs(accept ? text : QString::fromLatin1(ModalAnswerer::CANCEL), !message.isEmpty()));
    emit XWidgetsPanel->contextMenu->makeStandartWidgetClicked();
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));

    QStringList transcript { QStringLiteral("input Make new widget | Widget ID | NewWidget") };
    if (!message.isEmpty())
        transcript << QStringLiteral("box Make new widget | %1 | OK | default OK").arg(message);
    QCOMPARE(answerer.transcript, transcript);
    QCOMPARE(ids(), made);
    QCOMPARE(XWidgetStandartSettingsList.size(), made.size());
    QVERIFY(XWidgetStandartSettingsList.last()->base.group.isEmpty());
    QCOMPARE(XWidgetStandartList.last()->parentWidget(), static_cast<QWidget*>(XWidgetsPanel));
}

void tst_MainWindowWidgets::widgetMadeFromGroupMenuStartsInGroup()
{
    {
        MainWindow window(m_applicationData.get());
        auto* groupRecord = new XWidgetGroupSettings;
        groupRecord->name = QStringLiteral("Hall");
        XWidgetGroupSettingsList.append(groupRecord);
        window.xWidgetGroupAdd();
        XWidgetGroup* group = XWidgetsPanel->getGroupByName(QStringLiteral("Hall"));
        QVERIFY(group);

        ModalAnswerer answerer(newWidgetDialogs(QStringLiteral("InHall")));
        emit group->makeStandartWidgetClicked();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(ids(), QStringList({ QStringLiteral("InHall") }));
        QCOMPARE(XWidgetStandartSettingsList.first()->base.group, QStringLiteral("Hall"));
        QCOMPARE(XWidgetStandartList.first()->parentWidget(), static_cast<QWidget*>(group));
        QVERIFY(group->widgets.contains(XWidgetStandartList.first()));
    }
    const QJsonObject stored = QJsonDocument::fromJson(readWidgetFile(QStringLiteral("InHall.sw"))).object();
    QCOMPARE(stored.value(QStringLiteral("base")).toObject().value(QStringLiteral("group")).toString(),
        QStringLiteral("Hall"));
}

void tst_MainWindowWidgets::folderMadeWhenMissing()
{
    {
        MainWindow window(m_applicationData.get());
        ModalAnswerer answerer(newWidgetDialogs(QStringLiteral("First")));
        window.xWidgetStandartMake();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(ids(), QStringList({ QStringLiteral("First") }));
    }
    QCOMPARE(widgetFileNames(), QStringList({ QStringLiteral("First.sw") }));
}

// A widget whose file cannot be written (an ID too long for a file name)
// keeps the other files too: no file is removed after a failed write, so the
// deleted widget's file survives.
void tst_MainWindowWidgets::failedWriteRemovesNothing()
{
    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    const QString longId(300, QLatin1Char('V'));
    {
        MainWindow window(m_applicationData.get());
        emit XWidgetStandartList.first()->deleteMe(XWidgetStandartList.first());
        ModalAnswerer answerer(newWidgetDialogs(longId));
        window.xWidgetStandartMake();
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        QCOMPARE(ids(), QStringList({ longId }));
    }
    QCOMPARE(widgetFileNames(), QStringList({ QStringLiteral("Pump.sw") }));
}

void tst_MainWindowWidgets::allLoadedReachesWidgets()
{
    writeWidgetFile(QStringLiteral("Pump.sw"), widgetFile(QStringLiteral("Pump")));
    MainWindow window(m_applicationData.get());
    QSignalSpy loaded(XWidgetStandartList.first(), &XWidgetStandart::allLoaded);
    emit window.allLoaded();
    QCOMPARE(loaded.count(), 1);
}

// The real program on a demo folder, ended by SIGTERM as an operator's
// session ends: the files come back under the widgets' IDs.
void tst_MainWindowWidgets::demoFolderEndedBySigterm()
{
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(folder.writeFile(QStringLiteral("standart_widgets/Pump.sw"),
        widgetFile(QStringLiteral("Pump"), QStringLiteral("Main pump"))));
    QVERIFY(
        folder.writeFile(QStringLiteral("standart_widgets/Tank.sw"), widgetFile(QStringLiteral("Boiler"))));
    QVERIFY(folder.writeFile(QStringLiteral("standart_widgets/broken.sw"), BROKEN_FILE));

    std::unique_ptr<QProcess> process(folder.start());
    QCOMPARE(process->state(), QProcess::Running);
    QVERIFY(TestAppFolder::terminate(process.get()));

    QCOMPARE(QDir(folder.filePath(QStringLiteral("standart_widgets"))).entryList(QDir::Files, QDir::Name),
        QStringList({ QStringLiteral("Pump.sw"), QStringLiteral("Tank.sw"), QStringLiteral("broken.sw") }));
    QCOMPARE(storedId(folder.readFile(QStringLiteral("standart_widgets/Tank.sw"))), QStringLiteral("Tank"));
    const QByteArray pump = folder.readFile(QStringLiteral("standart_widgets/Pump.sw"));
    QCOMPARE(storedId(pump), QStringLiteral("Pump"));
    QCOMPARE(QJsonDocument::fromJson(pump).object().value(QStringLiteral("name")).toString(),
        QStringLiteral("Main pump"));
    QCOMPARE(folder.readFile(QStringLiteral("standart_widgets/broken.sw")), QByteArray(BROKEN_FILE));
}

QTEST_MAIN(tst_MainWindowWidgets)
#include "tst_mainwindowwidgets.moc"
