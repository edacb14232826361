#include "settings.h"

namespace {
const char LAST_TAB_INDEX_KEY[] = "lastTabIndex";
const char COLUMN_WIDTHS_KEY[] = "tableCollumnWith";
const char COMPONENTS_LIST_KEY[] = "componentsList";
const char EXTENSION_PARAMETERS_KEY[] = "extensionParameters";
const char WIDGET_ID_KEY[] = "widgetID";
const char COMPONENT_NAME_KEY[] = "componentName";
}

QVariantMap Settings::getMap() const
{
    return {
        { QLatin1String(LAST_TAB_INDEX_KEY), lastTabIndex },
        { QLatin1String(COLUMN_WIDTHS_KEY), tableCollumnWith },
        { QLatin1String(COMPONENTS_LIST_KEY), componentsList },
        { QLatin1String(EXTENSION_PARAMETERS_KEY), extensionParameters },
    };
}

void Settings::setMap(const QVariantMap& map)
{
    lastTabIndex = map.value(QLatin1String(LAST_TAB_INDEX_KEY), 0).toInt();
    const QVariant widths = map.value(QLatin1String(COLUMN_WIDTHS_KEY));
    if (widths.isValid())
        tableCollumnWith = widths.toList();
    extensionParameters = map.value(QLatin1String(EXTENSION_PARAMETERS_KEY));
    componentsList = map.value(QLatin1String(COMPONENTS_LIST_KEY)).toMap();
}

void Settings::componentsListInsert(
    const QString& name, const QString& widgetID, const QString& componentName)
{
    componentsList.insert(name,
        QVariantMap {
            { QLatin1String(WIDGET_ID_KEY), widgetID },
            { QLatin1String(COMPONENT_NAME_KEY), componentName },
        });
}
