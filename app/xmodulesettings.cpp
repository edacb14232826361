#include "xmodulesettings.h"

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

void XModuleSettings::setMap(const QMap<QString, QVariant>& map)
{
    if (map.contains(QLatin1String(LIB_NAME_KEY)))
        libName = map.value(QLatin1String(LIB_NAME_KEY)).toString();
    if (map.contains(QLatin1String(LIB_SETTINGS_KEY)))
        libSettings = map.value(QLatin1String(LIB_SETTINGS_KEY)).toMap();
}
