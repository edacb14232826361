#include "useritem.h"

#include "xstoredfile.h"

namespace {
const char KEY_SETTINGS[] = "settings";
const char KEY_PHOTO[] = "photo";
const char KEY_FULL_NAME[] = "fullName";
const char KEY_POST[] = "post";
const char KEY_USER_NAME[] = "userName";
const char KEY_PASSWORD[] = "password";
const char KEY_PHONE[] = "phone";
const char KEY_EMAIL[] = "email";
const char KEY_ICQ[] = "icq";
const char KEY_JABBER[] = "jabber";
const char KEY_ACCESS[] = "access";
const char KEY_SAVE_PARAMETERS_WEB[] = "saveParametersWEB";
const char KEY_LAST_WEB_REQUEST[] = "lastWebRequest";
const char KEY_DATE_TIME[] = "dateTime";
const char KEY_ADDRESS[] = "address";
}

UserItem::UserItem() = default;

QVariantMap UserItem::map() const
{
    QVariantMap accessMap;
    for (auto it = access.cbegin(); it != access.cend(); ++it)
        accessMap.insert(it.key(), int(it.value()));

    // JSON would turn a null QDateTime into an empty string; an invalid value
    // becomes null there, and null reads back as a null date-time.
    const QVariant dateTime
        = lastWebRequest.dateTime.isNull() ? QVariant() : QVariant(lastWebRequest.dateTime);
    const QVariantMap lastRequest { { QLatin1String(KEY_DATE_TIME), dateTime },
        { QLatin1String(KEY_ADDRESS), lastWebRequest.address } };

    return {
        { QLatin1String(KEY_SETTINGS), settings },
        { QLatin1String(KEY_PHOTO), photo },
        { QLatin1String(KEY_FULL_NAME), fullName },
        { QLatin1String(KEY_POST), post },
        { QLatin1String(KEY_USER_NAME), userName },
        { QLatin1String(KEY_PASSWORD), password },
        { QLatin1String(KEY_PHONE), phone },
        { QLatin1String(KEY_EMAIL), email },
        { QLatin1String(KEY_ICQ), icq },
        { QLatin1String(KEY_JABBER), jabber },
        { QLatin1String(KEY_ACCESS), accessMap },
        { QLatin1String(KEY_SAVE_PARAMETERS_WEB), saveParametersWEB },
        { QLatin1String(KEY_LAST_WEB_REQUEST), lastRequest },
    };
}

bool UserItem::isWellTyped(const QVariantMap& map)
{
    const XStoredFile::MemberTypes types {
        { QLatin1String(KEY_SETTINGS), QJsonValue::Object },
        { QLatin1String(KEY_PHOTO), QJsonValue::String },
        { QLatin1String(KEY_FULL_NAME), QJsonValue::String },
        { QLatin1String(KEY_POST), QJsonValue::String },
        { QLatin1String(KEY_USER_NAME), QJsonValue::String },
        { QLatin1String(KEY_PASSWORD), QJsonValue::String },
        { QLatin1String(KEY_PHONE), QJsonValue::String },
        { QLatin1String(KEY_EMAIL), QJsonValue::String },
        { QLatin1String(KEY_ICQ), QJsonValue::String },
        { QLatin1String(KEY_JABBER), QJsonValue::String },
        { QLatin1String(KEY_ACCESS), QJsonValue::Object },
        { QLatin1String(KEY_SAVE_PARAMETERS_WEB), QJsonValue::Bool },
        { QLatin1String(KEY_LAST_WEB_REQUEST), QJsonValue::Object },
    };
    if (!XStoredFile::membersHaveTypes(map, types))
        return false;
    const QVariantMap accessMap = map.value(QLatin1String(KEY_ACCESS)).toMap();
    for (const QVariant& right : accessMap) {
        if (QJsonValue::fromVariant(right).type() != QJsonValue::Double)
            return false;
    }
    return XStoredFile::membersHaveTypes(map.value(QLatin1String(KEY_LAST_WEB_REQUEST)).toMap(),
        { { QLatin1String(KEY_DATE_TIME), QJsonValue::String }, { QLatin1String(KEY_ADDRESS), QJsonValue::String } });
}

void UserItem::setMap(const QVariantMap& map)
{
    settings = map.value(QLatin1String(KEY_SETTINGS), settings).toMap();
    photo = map.value(QLatin1String(KEY_PHOTO), photo).toString();
    fullName = map.value(QLatin1String(KEY_FULL_NAME), fullName).toString();
    post = map.value(QLatin1String(KEY_POST), post).toString();
    userName = map.value(QLatin1String(KEY_USER_NAME), userName).toString();
    password = map.value(QLatin1String(KEY_PASSWORD), password).toString();
    phone = map.value(QLatin1String(KEY_PHONE), phone).toString();
    email = map.value(QLatin1String(KEY_EMAIL), email).toString();
    icq = map.value(QLatin1String(KEY_ICQ), icq).toString();
    jabber = map.value(QLatin1String(KEY_JABBER), jabber).toString();
    saveParametersWEB = map.value(QLatin1String(KEY_SAVE_PARAMETERS_WEB), saveParametersWEB).toBool();

    // Merged into, not replaced: groups the map does not name keep their right.
    const QVariant accessValue = map.value(QLatin1String(KEY_ACCESS));
    if (accessValue.isValid()) {
        const QVariantMap accessMap = accessValue.toMap();
        for (auto it = accessMap.cbegin(); it != accessMap.cend(); ++it)
            access.insert(it.key(), UserItem_ACCESS_TYPE(it.value().toInt()));
    }

    // Always applied: a map without a last request clears it.
    const QVariantMap lastRequest = map.value(QLatin1String(KEY_LAST_WEB_REQUEST)).toMap();
    lastWebRequest.dateTime = lastRequest.value(QLatin1String(KEY_DATE_TIME)).toDateTime();
    lastWebRequest.address = lastRequest.value(QLatin1String(KEY_ADDRESS)).toString();
}
