#include "xmodulesettings.h"

#include "xstoredfile.h"

namespace {
const char LIB_NAME_KEY[] = "libName";
const char LIB_SETTINGS_KEY[] = "libSettings";
}

QMap<QString, QVariant> XModuleSettings::map() const
{
    QMap<QString, QVariant> result;
    result.insert(QLatin1String(LIB_NAME_KEY), libName);
    result.insert(QLatin1String(LIB_SETTINGS_KEY), libSettings);
    return result;
}

bool XModuleSettings::isWellTyped(const QVariantMap& map)
{
    return XStoredFile::membersHaveTypes(map,
        { { QLatin1String(LIB_NAME_KEY), QJsonValue::String },
            { QLatin1String(LIB_SETTINGS_KEY), QJsonValue::Object } });
}

void XModuleSettings::setMap(const QMap<QString, QVariant>& map)
{
    if (map.contains(QLatin1String(LIB_NAME_KEY)))
        libName = map.value(QLatin1String(LIB_NAME_KEY)).toString();
    if (map.contains(QLatin1String(LIB_SETTINGS_KEY)))
        libSettings = map.value(QLatin1String(LIB_SETTINGS_KEY)).toMap();
}
