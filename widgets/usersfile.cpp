#include "usersfile.h"

#include "useritem.h"
#include "xstoredfile.h"

#include <algorithm>

namespace {
const int FIRST_MEMBER_NUMBER = 1;
const char LAST_WEB_REQUEST_KEY[] = "lastWebRequest";
const XStoredFile::Permissions OWNER_ONLY = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The program writes "1", "2", ... only; "01", "+1" or "-1" are no user numbers.
bool isUserNumber(const QString& name)
{
    if (name.isEmpty() || name.at(0) == QLatin1Char('0'))
        return false;
    return std::all_of(
        name.cbegin(), name.cend(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// Numeric order of user numbers without converting them: a number of any
// length in the file must neither overflow nor make the reader count up to it.
bool numericallyBefore(const QString& a, const QString& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}
}

QList<UserItem*> UsersFile::usersFromMap(const QVariantMap& map)
{
    QStringList numbers;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (isUserNumber(it.key()))
            numbers.append(it.key());
    }
    std::sort(numbers.begin(), numbers.end(), numericallyBefore);

    QList<UserItem*> users;
    for (const QString& number : qAsConst(numbers)) {
        // Null stands for nothing, as a missing member does. A user without a
        // password, which is what a text or a number gives, cannot sign in.
        const QVariant value = map.value(number);
        if (!value.isValid() || value.userType() == QMetaType::Nullptr)
            continue;
        auto* user = new UserItem;
        user->setMap(value.toMap());
        users.append(user);
    }
    return users;
}

QVariantMap UsersFile::mapFromUsers(const QList<UserItem*>& users)
{
    QVariantMap map;
    int number = FIRST_MEMBER_NUMBER;
    for (const UserItem* user : users)
        map.insert(QString::number(number++), user->map());
    return map;
}

QVariantMap UsersFile::editableContent(const QList<UserItem*>& users)
{
    QVariantMap content = mapFromUsers(users);
    for (auto it = content.begin(); it != content.end(); ++it) {
        QVariantMap user = it.value().toMap();
        user.remove(QLatin1String(LAST_WEB_REQUEST_KEY));
        it.value() = user;
    }
    return content;
}

bool UsersFile::isWellTyped(const QVariantMap& map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!isUserNumber(it.key()) || it.value().userType() == QMetaType::Nullptr)
            continue;
        if (it.value().userType() != QMetaType::QVariantMap || !UserItem::isWellTyped(it.value().toMap()))
            return false;
    }
    return true;
}

QList<UserItem*> UsersFile::read(const QString& path, XStoredFile::Found* found, QString* kept)
{
    QVariantMap map;
    QString keptAs;
    const XStoredFile::Found how = XStoredFile::readJsonObject(path, &map, isWellTyped, &keptAs, OWNER_ONLY);
    if (how == XStoredFile::Found::Unreadable)
        keptAs = XStoredFile::keepUnreadable(path, OWNER_ONLY);
    if (found)
        *found = how;
    if (kept)
        *kept = keptAs;
    if (how != XStoredFile::Found::WellTyped && how != XStoredFile::Found::Converted)
        return {};
    return usersFromMap(map);
}

bool UsersFile::write(const QString& path, const QList<UserItem*>& users)
{
    return XStoredFile::writeJsonObject(path, mapFromUsers(users), OWNER_ONLY);
}
