#include "appglobals.h"
#include "applicationdata.h"
#include "journalexchangeitem.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "mousedriver.h"
#include "testappfolder.h"
#include "xwidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetpanelcontextmenu.h"
#include "xwidgetsettings.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QtTest>

#include <memory>
#include <vector>

// The main window's groups: made from the panel's menu, edited by mouse,
// deleted from their own menu, kept in settings.ini across restarts.
class tst_MainWindowGroups : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void makeGroup_data();
    void makeGroup();
    void groupsSurviveRestart();
    void deleteGroups();

private:
    static QAction* entry(QMenu* menu, const QString& text);
    static QString makeThroughPanelMenu(const QStringList& answers, QStringList* transcript = nullptr);
    static QList<ModalAnswerer::Expected> namedAs(const QStringList& answers);
    static QVariantMap storedGroup(const QString& iniPath, const QString& name);
    static QStringList storedGroupNames(const QString& iniPath);

    ApplicationData* m_applicationData = nullptr;
};

namespace {
// Listens on the main window's channel beside the journal model, which owns
// the items.
class JournalListener : public QObject
{
public:
    void heard(JournalItem* item)
    {
        entries << QStringLiteral("%1 [%2] %3").arg(item->source).arg(int(item->level)).arg(item->text);
    }
    QStringList entries;
};
}

void tst_MainWindowGroups::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData = new ApplicationData;
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
}

void tst_MainWindowGroups::cleanup()
{
    delete m_applicationData;
    m_applicationData = nullptr;
    TestAppFolder::cleanOwnFolder();
}

QAction* tst_MainWindowGroups::entry(QMenu* menu, const QString& text)
{
    const QList<QAction*> actions = menu->actions();
    for (QAction* candidate : actions) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// The name question, then the message box when the name is refused: both are
// titled "Make new group".
QList<ModalAnswerer::Expected> tst_MainWindowGroups::namedAs(const QStringList& answers)
{
    QList<ModalAnswerer::Expected> expected;
    for (int i = 0; i < answers.size(); ++i)
        expected << ModalAnswerer::Expected { i == 0 ? "QInputDialog" : "QMessageBox", "Make new group", answers.at(i) };
    return expected;
}

// Returns the answerer's failure: empty when the dialogs came as expected.
QString tst_MainWindowGroups::makeThroughPanelMenu(const QStringList& answers, QStringList* transcript)
{
    ModalAnswerer answerer(namedAs(answers));
    entry(XWidgetsPanel->contextMenu, QStringLiteral("Add the group"))->trigger();
    if (transcript)
        *transcript = answerer.transcript;
    return answerer.failure();
}

QVariantMap tst_MainWindowGroups::storedGroup(const QString& iniPath, const QString& name)
{
    QSettings settings(iniPath, QSettings::IniFormat);
    return settings.value(QStringLiteral("groups/") + name).toMap();
}

QStringList tst_MainWindowGroups::storedGroupNames(const QString& iniPath)
{
    QSettings settings(iniPath, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("groups"));
    return settings.childKeys();
}

void tst_MainWindowGroups::makeGroup_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("transcript");
    QTest::addColumn<QStringList>("groups");

    const QString input = QStringLiteral("input Make new group | Group name | New Group");
    QTest::newRow("a new name") << QStringList { "Yard" } << QStringList { input }
                                << QStringList { "Hall", "Yard" };
    QTest::newRow("the offered name") << QStringList { ModalAnswerer::KEEP } << QStringList { input }
                                      << QStringList { "Hall", "New Group" };
    QTest::newRow("a name in other letter case")
        << QStringList { "hall" } << QStringList { input } << QStringList { "Hall", "hall" };
    QTest::newRow("a busy name") << QStringList { "Hall",
        "OK" } << QStringList { input, QStringLiteral("box Make new group | Name is busy | OK | default OK") }
                                 << QStringList { "Hall" };
    QTest::newRow("an empty name") << QStringList { QString(), "OK" }
                                   << QStringList { input,
                                          QStringLiteral(
                                              "box Make new group | String is empty | OK | default OK") }
                                   << QStringList { "Hall" };
    QTest::newRow("cancelled") << QStringList { ModalAnswerer::CANCEL } << QStringList { input }
                               << QStringList { "Hall" };
}

void tst_MainWindowGroups::makeGroup()
{
    QFETCH(QStringList, answers);
    MainWindow window(m_applicationData);
    QCOMPARE(makeThroughPanelMenu({ QStringLiteral("Hall") }), QString());

    QStringList transcript;
    QCOMPARE(makeThroughPanelMenu(answers, &transcript), QString());
    QTEST(transcript, "transcript");

    QStringList names;
    QCOMPARE(XWidgetGroupSettingsList.size(), XWidgetsPanel->groups->size());
    for (int i = 0; i < XWidgetsPanel->groups->size(); ++i) {
        XWidgetGroup* group = XWidgetsPanel->groups->at(i);
        QCOMPARE(group->settings, XWidgetGroupSettingsList.at(i));
        QCOMPARE(group->parentWidget(), XWidgetsPanel);
        names << group->title();
    }
    QTEST(names, "groups");
}

void tst_MainWindowGroups::groupsSurviveRestart()
{
    QDir().mkpath(TestAppFolder::ownFilePath(QStringLiteral("content/plans")));
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(TestAppFolder::ownFilePath(QStringLiteral("content/plans/hall.png")), "PNG"));

    QVariantMap edited;
    {
        MainWindow window(m_applicationData);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(makeThroughPanelMenu({ QStringLiteral("Hall") }), QString());
        XWidgetPanel* panel = XWidgetsPanel;
        XWidgetGroup* group = panel->groups->last();
        QCOMPARE(group->geometry(), QRect(0, 0, 50, 50));

        // Ctrl-drag by (123, 87): 5-pixel steps, then the panel's grid.
        const QPoint grip(10, 25);
        MouseDriver::press(panel, grip, Qt::ControlModifier);
        MouseDriver::move(panel, grip + QPoint(123, 87), Qt::ControlModifier);
        MouseDriver::release(panel, grip + QPoint(123, 87), Qt::ControlModifier);
        QCOMPARE(group->pos(), QPoint(120, 80));

        // Widen by the right edge, then heighten by the bottom edge.
        const QPoint right = group->pos() + QPoint(48, 25);
        MouseDriver::move(panel, right - QPoint(20, 0));
        MouseDriver::move(panel, right);
        QCOMPARE(group->cursor().shape(), Qt::SizeHorCursor);
        MouseDriver::press(panel, right);
        MouseDriver::move(panel, right + QPoint(70, 0));
        MouseDriver::release(panel, right + QPoint(70, 0));
        const QPoint bottom = group->pos() + QPoint(60, 48);
        MouseDriver::move(panel, bottom - QPoint(0, 20));
        MouseDriver::move(panel, bottom);
        QCOMPARE(group->cursor().shape(), Qt::SizeVerCursor);
        MouseDriver::press(panel, bottom);
        MouseDriver::move(panel, bottom + QPoint(0, 40));
        MouseDriver::release(panel, bottom + QPoint(0, 40));
        QCOMPARE(group->size(), QSize(120, 90));

        // The picture, chosen from the submenu the operator opens.
        ModalAnswerer answerer({ { "QMenu", "", QString(), [group](QWidget*) {
            entry(group->imageMenu, QStringLiteral("plans/hall.png"))->trigger();
            group->menu->close();
        } } });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(30, 30), group->mapToGlobal(QPoint(30, 30)));
        QApplication::sendEvent(group, &event);
        QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
        group->useImageAction->trigger();
        QVERIFY(!group->bgImage.isNull());
        edited = group->settings->map();
    }
    const QString ini = TestAppFolder::ownFilePath(QStringLiteral("settings.ini"));
    QCOMPARE(storedGroup(ini, QStringLiteral("Hall")), edited);
    QCOMPARE(edited.value(QStringLiteral("position")).toPoint(), QPoint(120, 80));
    QCOMPARE(edited.value(QStringLiteral("size")).toSize(), QSize(120, 90));
    QCOMPARE(edited.value(QStringLiteral("imageFile")).toString(), QStringLiteral("plans/hall.png"));
    QCOMPARE(edited.value(QStringLiteral("useImage")).toBool(), true);

    {
        MainWindow window(m_applicationData);
        QCOMPARE(XWidgetsPanel->groups->size(), 1);
        XWidgetGroup* group = XWidgetsPanel->groups->first();
        QCOMPARE(group->title(), QStringLiteral("Hall"));
        QCOMPARE(group->geometry(), QRect(120, 80, 120, 90));
        QVERIFY(group->useImageAction->isChecked());
        QVERIFY(!group->bgImage.isNull());
    }

    // The real program, ended by SIGTERM, twice. A group stored off the grid
    // comes back snapped: proof that the program placed it, not just kept
    // the file.
    TestAppFolder folder;
    QVERIFY(folder.install());
    QVERIFY(QFile::copy(ini, folder.filePath(QStringLiteral("settings.ini"))));
    {
        QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        XWidgetGroupSettings yard;
        yard.name = QStringLiteral("Yard");
        yard.position = QPoint(23, 47);
        settings.setValue(QStringLiteral("groups/Yard"), yard.map());
    }
    for (int run = 0; run < 2; ++run) {
        std::unique_ptr<QProcess> process(folder.start());
        QCOMPARE(process->state(), QProcess::Running);
        QVERIFY(TestAppFolder::terminate(process.get()));
        const QString processIni = folder.filePath(QStringLiteral("settings.ini"));
        QCOMPARE(storedGroupNames(processIni), (QStringList { "Hall", "Yard" }));
        QCOMPARE(storedGroup(processIni, QStringLiteral("Hall")), edited);
        QCOMPARE(storedGroup(processIni, QStringLiteral("Yard")).value(QStringLiteral("position")).toPoint(),
            QPoint(20, 40));
    }
}

void tst_MainWindowGroups::deleteGroups()
{
    XWidgetSettings widgetRecord;
    widgetRecord.id = QStringLiteral("pump");
    widgetRecord.group = QStringLiteral("Hall");
    JournalListener journal;
    {
        MainWindow window(m_applicationData);
        QVERIFY(XMainJournalItem);
        connect(XMainJournalItem, &JournalExchangeItem::addSignal, &journal, &JournalListener::heard);
        QCOMPARE(makeThroughPanelMenu({ QStringLiteral("Hall") }), QString());
        QCOMPARE(makeThroughPanelMenu({ QStringLiteral("Yard") }), QString());
        XWidgetGroup* hall = XWidgetsPanel->getGroupByName(QStringLiteral("Hall"));
        QPointer<XWidgetGroup> yard = XWidgetsPanel->getGroupByName(QStringLiteral("Yard"));
        auto* widget = new XWidget(&widgetRecord, XWidgetsPanel);
        widget->acceptSettings();
        QCOMPARE(hall->widgets, QList<XWidget*> { widget });

        {
            ModalAnswerer refused({ { "QMessageBox", "Deleting group", "OK" } });
            entry(hall->menu, QStringLiteral("Delete group"))->trigger();
            QVERIFY2(refused.failure().isEmpty(), qPrintable(refused.failure()));
            QCOMPARE(refused.transcript,
                QStringList {
                    "box Deleting group | Removal is not possible because the group contains Widgets | "
                    "OK | default OK" });
            QCOMPARE(XWidgetsPanel->groups->size(), 2);
        }
        {
            ModalAnswerer asked({ { "QMessageBox", "Deleting group", "Yes" } });
            entry(yard->menu, QStringLiteral("Delete group"))->trigger();
            QVERIFY2(asked.failure().isEmpty(), qPrintable(asked.failure()));
            QCOMPARE(
                asked.transcript, QStringList { "box Deleting group | Are you sure? | No,Yes | default No" });
        }
        QCOMPARE(*XWidgetsPanel->groups, QList<XWidgetGroup*> { hall });
        QCOMPARE(XWidgetGroupSettingsList, QList<XWidgetGroupSettings*> { hall->settings });
        QTRY_VERIFY(yard.isNull());
        QCOMPARE(journal.entries, QStringList { " [0] Group <Yard> deleted" });
    }
    QCOMPARE(
        storedGroupNames(TestAppFolder::ownFilePath(QStringLiteral("settings.ini"))), QStringList { "Hall" });

    MainWindow window(m_applicationData);
    QCOMPARE(XWidgetsPanel->groups->size(), 1);
    QCOMPARE(XWidgetsPanel->groups->first()->title(), QStringLiteral("Hall"));
}

QTEST_MAIN(tst_MainWindowGroups)
#include "tst_mainwindowgroups.moc"
