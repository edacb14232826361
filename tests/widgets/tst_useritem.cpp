#include "useritem.h"

#include <QtTest>

class tst_UserItem : public QObject
{
    Q_OBJECT

private slots:
    void newRecordMap();
    void setMap_data();
    void setMap();
    void accessRights();
    void mapRoundTrip();
};

namespace {
const QDateTime REQUEST_TIME(QDate(2020, 1, 17), QTime(10, 11, 12));

QVariantMap lastRequest(const QVariant& dateTime, const QString& address)
{
    return { { "dateTime", dateTime }, { "address", address } };
}

// The map of a new record with the given keys replaced.
QVariantMap freshMapWith(const QVariantMap& changes)
{
    QVariantMap map = UserItem().map();
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}
}

void tst_UserItem::newRecordMap()
{
    const QVariantMap expected {
        { "settings", QVariantMap() },
        { "photo", QString() },
        { "fullName", QString() },
        { "post", QString() },
        { "userName", QString() },
        { "password", QString() },
        { "phone", QString() },
        { "email", QString() },
        { "icq", QString() },
        { "jabber", QString() },
        { "access", QVariantMap() },
        { "saveParametersWEB", false },
        { "lastWebRequest", lastRequest(QVariant(), QString()) },
    };
    const QVariantMap map = UserItem().map();
    QCOMPARE(map.keys(), expected.keys());
    QCOMPARE(map, expected);
    QVERIFY(map.value("lastWebRequest").toMap().value("dateTime").toDateTime().isNull());
}

void tst_UserItem::setMap_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<QVariantMap>("input");
    QTest::addColumn<QVariantMap>("expected");

    const QVariantMap requested { { "lastWebRequest", lastRequest(REQUEST_TIME, "10.0.0.1") } };

    QTest::newRow("missing password kept, missing last request cleared")
        << QVariantMap { { "password", "secret" },
               { "lastWebRequest", lastRequest(REQUEST_TIME, "10.0.0.1") } }
        << QVariantMap { { "fullName", "Anna Berg" } }
        << freshMapWith({ { "password", "secret" }, { "fullName", "Anna Berg" } });
    QTest::newRow("access merged into")
        << QVariantMap { { "access", QVariantMap { { "B", 1 } } } }
        << QVariantMap { { "access", QVariantMap { { "A", 2 } } } }
        << freshMapWith({ { "access", QVariantMap { { "A", 2 }, { "B", 1 } } } });
    QTest::newRow("access entry overwritten") << QVariantMap { { "access", QVariantMap { { "A", 1 } } } }
                                              << QVariantMap { { "access", QVariantMap { { "A", "2" } } } }
                                              << freshMapWith({ { "access", QVariantMap { { "A", 2 } } } });
    QTest::newRow("last request from its stored text")
        << QVariantMap()
        << QVariantMap { { "lastWebRequest", lastRequest("2020-01-17T10:11:12", "10.0.0.1") } }
        << freshMapWith(requested);
    QTest::newRow("last request without address")
        << requested << QVariantMap { { "lastWebRequest", QVariantMap { { "dateTime", REQUEST_TIME } } } }
        << freshMapWith({ { "lastWebRequest", lastRequest(REQUEST_TIME, QString()) } });
    QTest::newRow("stored null date-time")
        << requested
        << QVariantMap { { "lastWebRequest", lastRequest(QVariant::fromValue(nullptr), "10.0.0.2") } }
        << freshMapWith({ { "lastWebRequest", lastRequest(QVariant(), "10.0.0.2") } });
    QTest::newRow("settings replaced") << QVariantMap { { "settings", QVariantMap { { "a", 1 } } } }
                                       << QVariantMap { { "settings", QVariantMap { { "b", 2 } } } }
                                       << freshMapWith({ { "settings", QVariantMap { { "b", 2 } } } });
    QTest::newRow("unknown keys ignored") << QVariantMap { { "userName", "anna" } }
                                          << QVariantMap { { "nickname", "x" }, { "userName", "berg" } }
                                          << freshMapWith({ { "userName", "berg" } });
}

void tst_UserItem::setMap()
{
    QFETCH(QVariantMap, before);
    QFETCH(QVariantMap, input);
    QFETCH(QVariantMap, expected);

    UserItem user;
    user.setMap(before);
    user.setMap(input);
    QCOMPARE(user.map(), expected);
}

void tst_UserItem::accessRights()
{
    UserItem user;
    user.setMap({ { "access", QVariantMap { { "Hall", 2 }, { "Yard", 1 }, { "Odd", 7 } } } });
    QCOMPARE(user.access.value("Hall"), ReadAndWrite);
    QCOMPARE(user.access.value("Yard"), ReadOnly);
    QCOMPARE(user.access.value("Elsewhere"), NotAllowed);
    // A number no right has survives a round trip unchanged.
    QCOMPARE(user.map().value("access").toMap().value("Odd"), QVariant(7));
}

void tst_UserItem::mapRoundTrip()
{
    UserItem user;
    user.settings = { { "theme", "dark" }, { "zoom", 2 } };
    user.photo = "/pictures/anna.png";
    user.fullName = "Anna Berg";
    user.post = "Operator";
    user.userName = "anna";
    user.password = "70461";
    user.phone = "+1 555 0100";
    user.email = "anna@example.org";
    user.icq = "123456";
    user.jabber = "anna@xmpp.example.org";
    user.access = { { "Hall", ReadAndWrite }, { "Yard", ReadOnly } };
    user.saveParametersWEB = true;
    user.lastWebRequest = { REQUEST_TIME, "192.168.1.20" };

    UserItem copy;
    copy.setMap(user.map());
    QCOMPARE(copy.map(), user.map());
    QCOMPARE(copy.settings, user.settings);
    QCOMPARE(copy.photo, user.photo);
    QCOMPARE(copy.fullName, user.fullName);
    QCOMPARE(copy.post, user.post);
    QCOMPARE(copy.userName, user.userName);
    QCOMPARE(copy.password, user.password);
    QCOMPARE(copy.phone, user.phone);
    QCOMPARE(copy.email, user.email);
    QCOMPARE(copy.icq, user.icq);
    QCOMPARE(copy.jabber, user.jabber);
    QCOMPARE(copy.access, user.access);
    QCOMPARE(copy.saveParametersWEB, true);
    QCOMPARE(copy.lastWebRequest.dateTime, REQUEST_TIME);
    QCOMPARE(copy.lastWebRequest.address, user.lastWebRequest.address);
}

QTEST_APPLESS_MAIN(tst_UserItem)
#include "tst_useritem.moc"
