#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class UserItem;

// The users file: a JSON object with one member per user, named "1", "2", ...
// in list order (the numbering starts at 1).
class UsersFile
{
public:
    // New records, in the numeric order of the member names. Only members named
    // by a positive decimal number are users; gaps in the numbering are passed
    // over and members that hold no user map are skipped. The caller owns the
    // records.
    static QList<UserItem*> usersFromMap(const QVariantMap& map);
    static QVariantMap mapFromUsers(const QList<UserItem*>& users);

    // True when every user member is an object whose members have the types
    // that a user's map has.
    static bool isWellTyped(const QVariantMap& map);

    // A file that is missing or unreadable gives no users. One that parses but
    // is not well typed is kept aside at once, its new name put in *kept.
    static QList<UserItem*> read(const QString& path, QString* kept = nullptr);
    // The file holds passwords: it and its kept copies are the owner's alone.
    static bool write(const QString& path, const QList<UserItem*>& users);
};
