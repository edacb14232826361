#include "applicationdata.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "mousedriver.h"
#include "testappfolder.h"
#include "useritem.h"
#include "userswidget.h"
#include "xwidgetgroup.h"
#include "xwidgetgroupsettings.h"
#include "xwidgetpanel.h"
#include "xwidgetsglobals.h"
#include "xwidgetstandart.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {
// A change reaches its file a few seconds after it was made.
const int SAVED_WHILE_RUNNING_TIMEOUT_MS = 20000;
const QPoint GROUP_GRIP(10, 25);
const QPoint WIDGET_PLACE(300, 200);

const char MODULE_FILE[] = "modules/query.xmodule";

enum class Change { GroupMoved, WidgetMoved, UserAdded, ModuleSettingChanged };

// A save puts a new file in place of the old one; a file left alone keeps its inode.
quint64 inode(const QString& relative)
{
    struct stat status
    {
    };
    const QByteArray path = QFile::encodeName(TestAppFolder::ownFilePath(relative));
    return ::stat(path.constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

QVariant jsonMember(const QString& relative, const QStringList& names)
{
    QJsonValue value = QJsonDocument::fromJson(TestAppFolder::readOwnFile(relative)).object();
    for (const QString& name : names)
        value = value.toObject().value(name);
    return value.toVariant();
}

QPoint storedGroupPosition(const QString& name)
{
    const QSettings settings(
        TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    return settings.value(QStringLiteral("groups/") + name)
        .toMap()
        .value(QStringLiteral("position"))
        .toPoint();
}

QStringList storedWidgetPosition(const QString& id)
{
    return jsonMember(
        QStringLiteral("standart_widgets/") + id + QStringLiteral(".sw"), { "base", "position" })
        .toStringList();
}

QStringList pair(QPoint point)
{
    return { QString::number(point.x()), QString::number(point.y()) };
}

UsersWidget* usersTab(MainWindow& window)
{
    return window.findChild<UsersWidget*>(QStringLiteral("UsersWidget"));
}

void addUserThroughPrompts(MainWindow& window, const QString& fullName)
{
    UsersWidget* tab = usersTab(window);
    QVERIFY(tab);
    QPushButton* add = nullptr;
    const QList<QPushButton*> buttons = tab->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == QLatin1String("Add"))
            add = button;
    }
    QVERIFY(add);
    ModalAnswerer answerer({ { "QInputDialog", "", fullName }, { "QInputDialog", "", ModalAnswerer::KEEP } });
    QTest::mouseClick(add, Qt::LeftButton);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
}
}

Q_DECLARE_METATYPE(Change)

// What the operator changes reaches its file seconds later, while the window
// is still open, so that a crash costs those seconds and no more.
class tst_MainWindowAutoSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void changeSavedWhileRunning_data();
    void changeSavedWhileRunning();
    void onlyChangedFilesWritten();

private:
    // A group "Hall", the widgets "pump" and "tank", a user and a Webquery
    // module, in the form the program writes them.
    void writeStoredFiles();

    std::unique_ptr<ApplicationData> m_applicationData;
};

void tst_MainWindowAutoSave::initTestCase()
{
    // The module's library.
    TestAppFolder::linkStagedFolders();
}

void tst_MainWindowAutoSave::init()
{
    TestAppFolder::cleanOwnFolder();
    m_applicationData = std::make_unique<ApplicationData>();
    QCoreApplication::setApplicationName(m_applicationData->applicationName());
    writeStoredFiles();
}

void tst_MainWindowAutoSave::cleanup()
{
    m_applicationData.reset();
    TestAppFolder::cleanOwnFolder();
}

void tst_MainWindowAutoSave::writeStoredFiles()
{
    XWidgetGroupSettings hall;
    hall.name = QStringLiteral("Hall");
    {
        QSettings settings(TestAppFolder::ownFilePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("groups/Hall"), hall.map());
    }
    const QStringList ids { QStringLiteral("pump"), QStringLiteral("tank") };
    for (int i = 0; i < ids.size(); ++i) {
        const QJsonObject base { { "id", ids.at(i) },
            { "position",
                QJsonArray {
                    QString::number(WIDGET_PLACE.x() + 100 * i), QString::number(WIDGET_PLACE.y()) } } };
        TestAppFolder::writeOwnFile(QStringLiteral("standart_widgets/") + ids.at(i) + QStringLiteral(".sw"),
            QJsonDocument(QJsonObject { { "base", base }, { "name", ids.at(i) } }).toJson());
    }
    UserItem user;
    user.fullName = QStringLiteral("Anna Berg");
    user.userName = QStringLiteral("anna");
    TestAppFolder::writeOwnFile(QStringLiteral("users"),
        QJsonDocument(QJsonObject { { "1", QJsonObject::fromVariantMap(user.map()) } }).toJson());
    TestAppFolder::writeOwnFile(QLatin1String(MODULE_FILE),
        QJsonDocument(QJsonObject { { "libName", "Webquery" }, { "libSettings", QJsonObject() } }).toJson());
    // Brings every file into the form the program writes; shown, as the
    // windows of the tests are, so that the module's columns have their widths.
    MainWindow window(m_applicationData.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

void tst_MainWindowAutoSave::changeSavedWhileRunning_data()
{
    QTest::addColumn<Change>("change");
    QTest::newRow("group moved") << Change::GroupMoved;
    QTest::newRow("widget moved") << Change::WidgetMoved;
    QTest::newRow("user added in the Users tab") << Change::UserAdded;
    QTest::newRow("module setting changed in its tab") << Change::ModuleSettingChanged;
}

void tst_MainWindowAutoSave::changeSavedWhileRunning()
{
    QFETCH(Change, change);
    MainWindow window(m_applicationData.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    XWidgetPanel* panel = XWidgetsPanel;

    switch (change) {
    case Change::GroupMoved: {
        XWidgetGroup* group = panel->getGroupByName(QStringLiteral("Hall"));
        QVERIFY(group);
        MouseDriver::drag(panel, group->pos() + GROUP_GRIP, group->pos() + GROUP_GRIP + QPoint(123, 87),
            Qt::ControlModifier);
        const QPoint moved = group->pos();
        QVERIFY(moved != QPoint(0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(
            storedGroupPosition(QStringLiteral("Hall")), moved, SAVED_WHILE_RUNNING_TIMEOUT_MS);
        break;
    }
    case Change::WidgetMoved: {
        XWidget* widget = panel->getXWidgetByID(QStringLiteral("pump"));
        QVERIFY(widget);
        const QPoint grip = widget->pos() + QPoint(10, 10);
        MouseDriver::drag(panel, grip, grip + QPoint(-143, 67), Qt::ControlModifier);
        const QPoint moved = widget->pos();
        QVERIFY(moved != WIDGET_PLACE);
        QTRY_COMPARE_WITH_TIMEOUT(
            storedWidgetPosition(QStringLiteral("pump")), pair(moved), SAVED_WHILE_RUNNING_TIMEOUT_MS);
        break;
    }
    case Change::UserAdded:
        addUserThroughPrompts(window, QStringLiteral("Tomas Verlen"));
        QTRY_COMPARE_WITH_TIMEOUT(jsonMember(QStringLiteral("users"), { "2", "fullName" }).toString(),
            QStringLiteral("Tomas Verlen"), SAVED_WHILE_RUNNING_TIMEOUT_MS);
        QCOMPARE(
            jsonMember(QStringLiteral("users"), { "1", "fullName" }).toString(), QStringLiteral("Anna Berg"));
        break;
    case Change::ModuleSettingChanged: {
        QCheckBox* extraEnd = nullptr;
        const QList<QCheckBox*> boxes = window.findChildren<QCheckBox*>();
        for (QCheckBox* box : boxes) {
            if (box->text() == QLatin1String("Use extra end"))
                extraEnd = box;
        }
        QVERIFY(extraEnd);
        QCOMPARE(jsonMember(QLatin1String(MODULE_FILE), { "libSettings", "useExtraEnd" }), QVariant(false));
        QTest::mouseClick(extraEnd, Qt::LeftButton);
        QVERIFY(extraEnd->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(jsonMember(QLatin1String(MODULE_FILE), { "libSettings", "useExtraEnd" }),
            QVariant(true), SAVED_WHILE_RUNNING_TIMEOUT_MS);
        break;
    }
    }
}

void tst_MainWindowAutoSave::onlyChangedFilesWritten()
{
    const QStringList untouched { QStringLiteral("standart_widgets/tank.sw"), QStringLiteral("users"),
        QLatin1String(MODULE_FILE) };
    QList<quint64> before;
    for (const QString& name : untouched)
        before << inode(name);

    MainWindow window(m_applicationData.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    XWidget* widget = XWidgetsPanel->getXWidgetByID(QStringLiteral("pump"));
    QVERIFY(widget);
    const QPoint grip = widget->pos() + QPoint(10, 10);
    MouseDriver::drag(XWidgetsPanel, grip, grip + QPoint(-143, 67), Qt::ControlModifier);
    const QPoint moved = widget->pos();
    QTRY_COMPARE_WITH_TIMEOUT(
        storedWidgetPosition(QStringLiteral("pump")), pair(moved), SAVED_WHILE_RUNNING_TIMEOUT_MS);

    for (int i = 0; i < untouched.size(); ++i)
        QVERIFY2(inode(untouched.at(i)) == before.at(i), qPrintable(untouched.at(i)));
}

QTEST_MAIN(tst_MainWindowAutoSave)
#include "tst_mainwindowautosave.moc"
