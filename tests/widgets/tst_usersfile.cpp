#include "useritem.h"
#include "usersfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(XStoredFile::Found)

class tst_UsersFile : public QObject
{
    Q_OBJECT

private slots:
    void usersFromMap_data();
    void usersFromMap();
    void missingOrUnreadableFileGivesNoUsers_data();
    void missingOrUnreadableFileGivesNoUsers();
    void writeAndReadBack();
    void passwordsReadableByTheOwnerOnly_data();
    void passwordsReadableByTheOwnerOnly();
    void unchangedFileNarrowedToTheOwner();
};

namespace {
const QFileDevice::Permissions OTHERS_RIGHTS = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
const QFileDevice::Permissions READABLE_BY_ALL
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;

bool ownerOnly(const QString& path)
{
    const QFileDevice::Permissions rights = QFile::permissions(path);
    return (rights & OTHERS_RIGHTS) == 0 && (rights & QFileDevice::ReadOwner) && (rights & QFileDevice::WriteOwner);
}

struct Users
{
    explicit Users(QList<UserItem*> list)
        : list(std::move(list))
    {
    }
    ~Users() { qDeleteAll(list); }
    QStringList fullNames() const
    {
        QStringList names;
        for (const UserItem* user : list)
            names << user->fullName;
        return names;
    }
    QList<UserItem*> list;
};
}

void tst_UsersFile::usersFromMap_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("fullNames");

    QTest::newRow("numeric order, not text order")
        << QByteArray(R"({"10": {"fullName": "C"}, "2": {"fullName": "B"}, "1": {"fullName": "A"}})")
        << QStringList { "A", "B", "C" };
    QTest::newRow("gap passed over") << QByteArray(R"({"1": {"fullName": "A"}, "4": {"fullName": "D"}})")
                                     << QStringList { "A", "D" };
    QTest::newRow("null passed over, other entries converted") << QByteArray(
        R"({"1": {"fullName": "A"}, "2": null, "3": "text", "4": 5, "5": [1], "6": {"fullName": "F"}})")
                                                               << QStringList { "A", "", "", "", "F" };
    QTest::newRow("names that are no user number ignored")
        << QByteArray(R"({"abc": {"fullName": "X"}, "0": {"fullName": "X"}, "-1": {"fullName": "X"},
                         "01": {"fullName": "X"}, "+2": {"fullName": "X"}, " 3": {"fullName": "X"},
                         "1.5": {"fullName": "X"}, "": {"fullName": "X"}, "1": {"fullName": "A"}})")
        << QStringList { "A" };
    QTest::newRow("huge numbers read in order, not counted up to") << QByteArray(
        R"({"99999999999999999999": {"fullName": "C"}, "4000000000": {"fullName": "B"},
                         "1": {"fullName": "A"}})") << QStringList { "A", "B", "C" };
    QTest::newRow("no members") << QByteArray("{}") << QStringList();
}

void tst_UsersFile::usersFromMap()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, fullNames);

    const QJsonDocument document = QJsonDocument::fromJson(json);
    QVERIFY(document.isObject());
    const Users users(UsersFile::usersFromMap(document.object().toVariantMap()));
    QCOMPARE(users.fullNames(), fullNames);
}

void tst_UsersFile::missingOrUnreadableFileGivesNoUsers_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("cut short") << QByteArray(R"({"1": {"fullName": "A")") << true;
    QTest::newRow("not an object") << QByteArray(R"([{"fullName": "A"}])") << true;
}

void tst_UsersFile::missingOrUnreadableFileGivesNoUsers()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString path = dir.filePath("users");
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const Users users(UsersFile::read(path));
    QVERIFY(users.list.isEmpty());
}

void tst_UsersFile::writeAndReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("users");

    UserItem signedIn;
    signedIn.fullName = "Anna Berg";
    signedIn.userName = "anna";
    signedIn.access = { { "Hall", ReadAndWrite }, { "Yard", ReadOnly } };
    signedIn.lastWebRequest = { QDateTime(QDate(2020, 1, 17), QTime(10, 11, 12)), "10.0.0.7" };
    UserItem neverSignedIn;
    neverSignedIn.fullName = "Tomas Verlen";
    QVERIFY(UsersFile::write(path, { &signedIn, &neverSignedIn }));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(stored.keys(), QStringList({ "1", "2" }));
    const QJsonValue storedTime
        = stored.value("1").toObject().value("lastWebRequest").toObject().value("dateTime");
    QVERIFY(QDateTime::fromString(storedTime.toString(), Qt::ISODate).isValid());
    QVERIFY(stored.value("2").toObject().value("lastWebRequest").toObject().value("dateTime").isNull());

    const Users users(UsersFile::read(path));
    QCOMPARE(users.list.size(), 2);
    QCOMPARE(users.list.at(0)->map(), signedIn.map());
    QCOMPARE(users.list.at(1)->map(), neverSignedIn.map());
}

void tst_UsersFile::passwordsReadableByTheOwnerOnly_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("rights");
    // The copy kept beside the file, by its suffix; empty for none.
    QTest::addColumn<QString>("kept");
    QTest::addColumn<XStoredFile::Found>("found");
    QTest::addColumn<int>("usersRead");
    QTest::newRow("new file") << QByteArray() << 0 << QString() << XStoredFile::Found::Missing << 0;
    QTest::newRow("good file readable by all")
        << QByteArray(R"({"1": {"userName": "anna"}})") << int(READABLE_BY_ALL) << QString()
        << XStoredFile::Found::WellTyped << 1;
    QTest::newRow("good file writable by all")
        << QByteArray(R"({"1": {"userName": "anna"}})") << int(READABLE_BY_ALL | QFileDevice::WriteOther)
        << QString() << XStoredFile::Found::WellTyped << 1;
    QTest::newRow("file that does not parse")
        << QByteArray(R"({"1": {"password": "se)") << int(READABLE_BY_ALL) << ".unreadable"
        << XStoredFile::Found::Unreadable << 0;
    QTest::newRow("file of wrong types")
        << QByteArray(R"({"1": {"password": ["secret"]}})") << int(READABLE_BY_ALL) << ".original"
        << XStoredFile::Found::Converted << 1;
}

void tst_UsersFile::passwordsReadableByTheOwnerOnly()
{
    QFETCH(QByteArray, content);
    QFETCH(int, rights);
    QFETCH(QString, kept);
    QFETCH(XStoredFile::Found, found);
    QFETCH(int, usersRead);
    QTemporaryDir dir;
    const QString path = dir.filePath("users");
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions(rights)));
    }

    XStoredFile::Found how = XStoredFile::Found::Missing;
    QString keptName;
    const Users users(UsersFile::read(path, &how, &keptName));
    QCOMPARE(how, found);
    QCOMPARE(keptName, kept.isEmpty() ? QString() : path + kept);
    QCOMPARE(users.list.size(), usersRead);
    UserItem user;
    user.password = "secret";
    QVERIFY(UsersFile::write(path, users.list + QList<UserItem*> { &user }));

    QVERIFY2(ownerOnly(path), qPrintable(QString::number(QFile::permissions(path), 16)));
    for (const QString& suffix : { QStringLiteral(".unreadable"), QStringLiteral(".original") })
        QCOMPARE(QFileInfo::exists(path + suffix), suffix == kept);
    if (!kept.isEmpty()) {
        const QString keptPath = path + kept;
        QVERIFY2(ownerOnly(keptPath), qPrintable(QString::number(QFile::permissions(keptPath), 16)));
        QFile keptFile(keptPath);
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), content);
    }
}

// A save that finds the same users on disk leaves the bytes alone, but not
// the rights an older program gave the file.
void tst_UsersFile::unchangedFileNarrowedToTheOwner()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("users");
    UserItem user;
    user.password = "secret";
    QVERIFY(UsersFile::write(path, { &user }));
    QVERIFY(QFile::setPermissions(path, READABLE_BY_ALL));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QVERIFY(UsersFile::write(path, { &user }));

    QVERIFY2(ownerOnly(path), qPrintable(QString::number(QFile::permissions(path), 16)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

QTEST_APPLESS_MAIN(tst_UsersFile)
#include "tst_usersfile.moc"
