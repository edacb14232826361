#pragma once

#include <QDateTime>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// A user's right on one widget group. The underlying type is fixed so that a
// hand-edited users file with any other number still gives a well-defined value.
enum UserItem_ACCESS_TYPE : int { NotAllowed = 0, ReadOnly = 1, ReadAndWrite = 2 };

// One user of the web server. Plain record handed around by pointer; the
// module libraries read the host's records directly, so the fields and their
// order are shared with them and must not change.
class UserItem
{
public:
    struct WebRequest
    {
        QDateTime dateTime;
        QString address;
    };

    UserItem();

    QVariantMap map() const;
    void setMap(const QVariantMap& map);
    // True when the map's members have the types that map() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    QVariantMap settings;
    QString photo;
    QString fullName;
    QString post;
    QString userName;
    QString password;
    QString phone;
    QString email;
    QString icq;
    QString jabber;
    QMap<QString, UserItem_ACCESS_TYPE> access;
    bool saveParametersWEB = false;
    WebRequest lastWebRequest;
};

Q_DECLARE_METATYPE(UserItem*)
