#include "applicationdata.h"
#include "filesizelimit.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testappfolder.h"
#include "useritem.h"
#include "userstablelistview.h"
#include "userswidget.h"
#include "xwidgetsglobals.h"

#include <QApplication>
#include <QInputDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

class tst_UsersWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addUser_data();
    void addUser();
    void usersSurviveRestart();
    void unreadableUsersFileKeptAside();
    void unwritableUsersFileKeepsTheList();
};

namespace {
// The tab's prompts and messages, as the answerer notes them.
QString prompt(const QString& label, const QString& offered)
{
    return QStringLiteral("input  | %1 | %2").arg(label, offered);
}

QString message(const QString& text)
{
    return QStringLiteral("box  | %1 | OK | default OK").arg(text);
}

// The untitled dialogs of a transcript, answered in turn: each prompt with
// the next of `answers`, each message with OK.
QList<ModalAnswerer::Expected> dialogsOf(const QStringList& transcript, QStringList answers)
{
    QList<ModalAnswerer::Expected> expected;
    for (const QString& line : transcript) {
        if (line.startsWith(QLatin1String("box")))
            expected << ModalAnswerer::Expected { "QMessageBox", "", "OK" };
        else
            expected << ModalAnswerer::Expected { "QInputDialog", "", answers.takeFirst() };
    }
    return expected;
}

// Notes whether every dialog shown while it lives is parented on `parent`
// and, when it asks for text, shows what is typed.
class DialogParentWatch : public QObject
{
public:
    explicit DialogParentWatch(QWidget* parent)
        : m_parent(parent)
    {
        qApp->installEventFilter(this);
    }

    bool allOnParent = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* dialog = qobject_cast<QDialog*>(watched)) {
                auto* input = qobject_cast<QInputDialog*>(dialog);
                allOnParent = allOnParent && dialog->parentWidget() == m_parent
                    && (!input || input->textEchoMode() == QLineEdit::Normal);
            }
        }
        return false;
    }

private:
    QWidget* m_parent = nullptr;
};

void clickAdd(UsersWidget* tab)
{
    QPushButton* add = nullptr;
    const QList<QPushButton*> buttons = tab->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == QLatin1String("Add"))
            add = button;
    }
    QVERIFY(add);
    QTest::mouseClick(add, Qt::LeftButton);
}

// Adds a user through the tab's prompts, keeping the suggested user name.
void addThroughPrompts(UsersWidget* tab, const QString& fullName)
{
    ModalAnswerer answerer({ { "QInputDialog", "", fullName }, { "QInputDialog", "", ModalAnswerer::KEEP } });
    clickAdd(tab);
    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
}

QList<QVariantMap> mapsOf(const QList<UserItem*>& users)
{
    QList<QVariantMap> maps;
    for (const UserItem* user : users)
        maps << user->map();
    return maps;
}

UsersWidget* usersTab(MainWindow& window)
{
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    auto* tab = window.findChild<UsersWidget*>(QStringLiteral("UsersWidget"));
    if (!tabs || !tab || tabs->tabText(tabs->indexOf(tab)) != QLatin1String("Users"))
        return nullptr;
    return tab;
}
}

void tst_UsersWidget::init()
{
    TestAppFolder::cleanOwnFolder();
    QCoreApplication::setApplicationName(QStringLiteral("Velmora Desk"));
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.3 build 200117"));
}

void tst_UsersWidget::cleanup()
{
    // The program never deletes a user record; the test does, once no window uses them.
    qDeleteAll(XUsersList);
    XUsersList.clear();
}

void tst_UsersWidget::addUser_data()
{
    QTest::addColumn<int>("existing");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("transcript");
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("userName");

    const char* const keep = ModalAnswerer::KEEP;
    const char* const cancel = ModalAnswerer::CANCEL;
    const QString full = QStringLiteral("Enter full name");
    const QString user = QStringLiteral("Enter user name");
    QTest::newRow("suggestions kept on an empty list")
        << 0 << QStringList { keep, keep }
        << QStringList { prompt(full, "Tomas Verlen"), prompt(user, "User_0") } << "Tomas Verlen"
        << "User_0";
    QTest::newRow("empty and busy names asked again with the last text")
        << 3 << QStringList { "", "Person 2", "Anna Berg", "person1", "", "anna" }
        << QStringList { prompt(full, "Tomas Verlen"), message("String is empty"), prompt(full, ""),
               message("This name is busy"), prompt(full, "Person 2"), prompt(user, "User_33"),
               message("This name is busy"), prompt(user, "person1"), message("String is empty"),
               prompt(user, "") }
        << "Anna Berg"
        << "anna";
    QTest::newRow("names differing only in case are free")
        << 1 << QStringList { "person 1", "PERSON1" }
        << QStringList { prompt(full, "Tomas Verlen"), prompt(user, "User_11") } << "person 1"
        << "PERSON1";
    QTest::newRow("cancel at the full name adds nothing")
        << 2 << QStringList { cancel } << QStringList { prompt(full, "Tomas Verlen") } << QString()
        << QString();
    QTest::newRow("busy full name, then cancel at the user name adds nothing")
        << 1 << QStringList { "Person 1", "Anna Berg", cancel }
        << QStringList { prompt(full, "Tomas Verlen"), message("This name is busy"),
               prompt(full, "Person 1"), prompt(user, "User_11") }
        << QString() << QString();
}

void tst_UsersWidget::addUser()
{
    QFETCH(int, existing);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, transcript);
    QFETCH(QString, fullName);
    QFETCH(QString, userName);

    std::vector<std::unique_ptr<UserItem>> records;
    QList<UserItem*> users;
    for (int i = 1; i <= existing; ++i) {
        records.push_back(std::make_unique<UserItem>());
        records.back()->fullName = QStringLiteral("Person %1").arg(i);
        records.back()->userName = QStringLiteral("person%1").arg(i);
        users << records.back().get();
    }
    UsersWidget tab(&users);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    auto* view = tab.findChild<UsersTableListView*>();
    QVERIFY(view);
    QSignalSpy inserted(view->model(), &QAbstractItemModel::rowsInserted);

    DialogParentWatch watch(&tab);
    ModalAnswerer answerer(dialogsOf(transcript, answers));
    clickAdd(&tab);

    QVERIFY2(answerer.failure().isEmpty(), qPrintable(answerer.failure()));
    QCOMPARE(answerer.transcript, transcript);
    QVERIFY2(watch.allOnParent, "dialogs on the tab, prompts showing what is typed");
    if (fullName.isEmpty()) {
        QCOMPARE(users.size(), existing);
        QCOMPARE(inserted.count(), 0);
        return;
    }
    QCOMPARE(users.size(), existing + 1);
    std::unique_ptr<UserItem> added(users.last());
    QCOMPARE(added->fullName, fullName);
    QCOMPARE(added->userName, userName);
    QCOMPARE(added->password, QString("70461"));
    QCOMPARE(added->photo, QString(":/photo/pict/User_No-Photo.png"));
    QVERIFY(QFile::exists(added->photo));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), existing);
    QCOMPARE(view->model()->rowCount(), existing + 1);
}

void tst_UsersWidget::usersSurviveRestart()
{
    ApplicationData applicationData;
    QList<QVariantMap> saved;
    QList<UserItem*> released;
    {
        MainWindow window(&applicationData);
        UsersWidget* tab = usersTab(window);
        QVERIFY(tab);
        addThroughPrompts(tab, QStringLiteral("Anna Berg"));
        addThroughPrompts(tab, QStringLiteral("Tomas Verlen"));
        QCOMPARE(XUsersList.size(), 2);
        XUsersList[0]->access = { { "Hall", ReadAndWrite }, { "Yard", ReadOnly } };
        XUsersList[0]->lastWebRequest = { QDateTime(QDate(2020, 1, 17), QTime(10, 11, 12)), "10.0.0.7" };
        XUsersList[1]->settings = { { "zoom", 2 } };
        saved = mapsOf(XUsersList);
        released = XUsersList;
    }
    QVERIFY2(XUsersList.isEmpty(), "the list ends empty at exit");
    qDeleteAll(released);

    const QJsonObject stored = QJsonDocument::fromJson(TestAppFolder::readOwnFile("users")).object();
    QCOMPARE(stored.keys(), QStringList({ "1", "2" }));
    QCOMPARE(stored.value("1").toObject().value("userName").toString(), QString("User_0"));
    QCOMPARE(stored.value("2").toObject().value("userName").toString(), QString("User_11"));

    MainWindow window(&applicationData);
    QCOMPARE(mapsOf(XUsersList), saved);
    UsersWidget* tab = usersTab(window);
    QVERIFY(tab);
    QCOMPARE(tab->findChild<UsersTableListView*>()->model()->rowCount(), 2);
}

void tst_UsersWidget::unreadableUsersFileKeptAside()
{
    const QByteArray typo = R"({"1": {"fullName": "Anna Berg", "userName": "anna",})";
    TestAppFolder::writeOwnFile("users", typo);
    ApplicationData applicationData;
    QList<UserItem*> released;
    {
        MainWindow window(&applicationData);
        QVERIFY(XUsersList.isEmpty());
        addThroughPrompts(usersTab(window), QStringLiteral("Tomas Verlen"));
        released = XUsersList;
    }
    qDeleteAll(released);

    QCOMPARE(TestAppFolder::readOwnFile("users.unreadable"), typo);
    const QJsonObject stored = QJsonDocument::fromJson(TestAppFolder::readOwnFile("users")).object();
    QCOMPARE(stored.value("1").toObject().value("fullName").toString(), QString("Tomas Verlen"));
}

void tst_UsersWidget::unwritableUsersFileKeepsTheList()
{
    UserItem first;
    first.fullName = "Anna Berg";
    const QByteArray before = QJsonDocument(QJsonObject { { "1", QJsonObject::fromVariantMap(first.map()) } })
                                  .toJson(QJsonDocument::Indented);
    TestAppFolder::writeOwnFile("users", before);
    ApplicationData applicationData;
    QList<QVariantMap> loaded;
    {
        auto window = std::make_unique<MainWindow>(&applicationData);
        addThroughPrompts(usersTab(*window), QStringLiteral("Tomas Verlen"));
        loaded = mapsOf(XUsersList);
        QCOMPARE(loaded.size(), 2);
        const FileSizeLimit noRoom(1);
        window.reset();
    }
    QCOMPARE(mapsOf(XUsersList), loaded);
    QCOMPARE(TestAppFolder::readOwnFile("users"), before);
}

QTEST_MAIN(tst_UsersWidget)
#include "tst_userswidget.moc"
