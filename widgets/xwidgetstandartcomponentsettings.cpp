#include "xwidgetstandartcomponentsettings.h"

#include "xstoredfile.h"

#include <QVariantList>

namespace {
const char* const NAME_KEY = "name";
const char* const LIB_NAME_KEY = "libName";
const char* const CONNECT_TO_COMPONENT_KEY = "connectToComponent";
const char* const LIB_SETTINGS_KEY = "libSettings";
const char* const POSITION_KEY = "position";
const char* const SIZE_KEY = "size";

// A pair of numbers, as the first two elements of a stored list; false when the
// list is too short, so that a damaged record keeps its current geometry.
bool readPair(const QVariant& stored, int& first, int& second)
{
    const QVariantList list = stored.toList();
    if (list.size() < 2)
        return false;
    first = list.at(0).toInt();
    second = list.at(1).toInt();
    return true;
}
}

QVariantMap XWidgetStandartComponentSettings::getMap() const
{
    QVariantMap map;
    map.insert(QLatin1String(NAME_KEY), name);
    map.insert(QLatin1String(LIB_NAME_KEY), libName);
    map.insert(QLatin1String(CONNECT_TO_COMPONENT_KEY), connectToComponent);
    map.insert(QLatin1String(LIB_SETTINGS_KEY), libSettings);
    map.insert(QLatin1String(POSITION_KEY), QVariantList { position.x(), position.y() });
    map.insert(QLatin1String(SIZE_KEY), QVariantList { size.width(), size.height() });
    return map;
}

bool XWidgetStandartComponentSettings::isWellTyped(const QVariantMap& map)
{
    return XStoredFile::membersHaveTypes(map,
        { { QLatin1String(NAME_KEY), QJsonValue::String }, { QLatin1String(LIB_NAME_KEY), QJsonValue::String },
            { QLatin1String(CONNECT_TO_COMPONENT_KEY), QJsonValue::String },
            { QLatin1String(LIB_SETTINGS_KEY), QJsonValue::Object },
            { QLatin1String(POSITION_KEY), QJsonValue::Array }, { QLatin1String(SIZE_KEY), QJsonValue::Array } });
}

void XWidgetStandartComponentSettings::setMap(QVariantMap map)
{
    name = map.value(QLatin1String(NAME_KEY)).toString();
    libName = map.value(QLatin1String(LIB_NAME_KEY)).toString();
    connectToComponent = map.value(QLatin1String(CONNECT_TO_COMPONENT_KEY)).toString();
    libSettings = map.value(QLatin1String(LIB_SETTINGS_KEY)).toMap();

    int first = 0;
    int second = 0;
    const QVariant storedPosition = map.value(QLatin1String(POSITION_KEY));
    if (storedPosition.isValid() && readPair(storedPosition, first, second))
        position = QPoint(first, second);
    const QVariant storedSize = map.value(QLatin1String(SIZE_KEY));
    if (storedSize.isValid() && readPair(storedSize, first, second))
        size = QSize(first, second);
}
