#include "xwidgetsettings.h"

#include "xstoredfile.h"

#include <QStringList>

namespace {
const int DEFAULT_SIDE = 50;
const int DECIMAL = 10;

const char KEY_ID[] = "id";
const char KEY_POSITION[] = "position";
const char KEY_GROUP[] = "group";
const char KEY_SIZE[] = "size";
const char KEY_USER_SIZE[] = "userSize";

QStringList pairToList(int first, int second)
{
    return { QString::number(first, DECIMAL), QString::number(second, DECIMAL) };
}

// A list that is too short (never written by this program) gives 0 for what
// is missing rather than reading past its end.
void listToPair(const QVariant& value, int* first, int* second)
{
    const QStringList list = value.toStringList();
    *first = list.value(0).toInt(nullptr, DECIMAL);
    *second = list.value(1).toInt(nullptr, DECIMAL);
}
}

XWidgetSettings::XWidgetSettings()
    : size(DEFAULT_SIDE, DEFAULT_SIDE)
    , userSize(true)
{
}

QVariantMap XWidgetSettings::map()
{
    QVariantMap result;
    result.insert(QLatin1String(KEY_ID), id);
    result.insert(QLatin1String(KEY_POSITION), pairToList(position.x(), position.y()));
    result.insert(QLatin1String(KEY_GROUP), group);
    result.insert(QLatin1String(KEY_SIZE), pairToList(size.width(), size.height()));
    result.insert(QLatin1String(KEY_USER_SIZE), userSize);
    return result;
}

bool XWidgetSettings::isWellTyped(const QVariantMap& map)
{
    return XStoredFile::membersHaveTypes(map,
        { { QLatin1String(KEY_ID), QJsonValue::String }, { QLatin1String(KEY_POSITION), QJsonValue::Array },
            { QLatin1String(KEY_GROUP), QJsonValue::String }, { QLatin1String(KEY_SIZE), QJsonValue::Array },
            { QLatin1String(KEY_USER_SIZE), QJsonValue::Bool } });
}

void XWidgetSettings::setMap(QVariantMap map)
{
    if (map.contains(QLatin1String(KEY_ID)))
        id = map.value(QLatin1String(KEY_ID)).toString();

    const QVariant positionValue = map.value(QLatin1String(KEY_POSITION));
    if (positionValue.isValid()) {
        int x = 0;
        int y = 0;
        listToPair(positionValue, &x, &y);
        position = QPoint(x, y);
    }

    if (map.contains(QLatin1String(KEY_GROUP)))
        group = map.value(QLatin1String(KEY_GROUP)).toString();

    const QVariant sizeValue = map.value(QLatin1String(KEY_SIZE));
    if (sizeValue.isValid()) {
        int width = 0;
        int height = 0;
        listToPair(sizeValue, &width, &height);
        size = QSize(width, height);
    }

    if (map.contains(QLatin1String(KEY_USER_SIZE)))
        userSize = map.value(QLatin1String(KEY_USER_SIZE)).toBool();
}
