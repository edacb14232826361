#pragma once

#include "xstoredfile.h"

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
    // by a positive decimal number are users; gaps in the numbering and null
    // members are passed over, and any other member is converted to a user's
    // map (a text or a number gives a user with empty fields). The caller owns
    // the records.
    static QList<UserItem*> usersFromMap(const QVariantMap& map);
    static QVariantMap mapFromUsers(const QList<UserItem*>& users);
    // What of the users the operator and the browsers change: all of it but
    // the last web requests, which every signed-in request renews.
    static QVariantMap editableContent(const QList<UserItem*>& users);

    // True when every user member is an object whose members have the types
    // that a user's map has.
    static bool isWellTyped(const QVariantMap& map);

    // A file that is missing or unreadable gives no users; an unreadable one
    // is set aside at once, as the next save would replace it. One that is not
    // well typed is read converted. *found tells how the file was found and
    // *kept the name of the copy kept beside it (the file set aside, or the
    // file as it was before its values were converted).
    static QList<UserItem*> read(
        const QString& path, XStoredFile::Found* found = nullptr, QString* kept = nullptr);
    // The file holds passwords: it and its kept copies are the owner's alone.
    static bool write(const QString& path, const QList<UserItem*>& users);
};
