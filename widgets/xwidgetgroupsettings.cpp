#include "xwidgetgroupsettings.h"

namespace {
const int DEFAULT_SIDE = 50;

const char KEY_NAME[] = "name";
const char KEY_POSITION[] = "position";
const char KEY_SIZE[] = "size";
const char KEY_USE_IMAGE[] = "useImage";
const char KEY_IMAGE_FILE[] = "imageFile";
const char KEY_ALIGNED[] = "alignedToTheGrid";
}

XWidgetGroupSettings::XWidgetGroupSettings()
    : size(DEFAULT_SIDE, DEFAULT_SIDE)
    , useImage(false)
    , alignedToTheGrid(true)
{
}

QVariantMap XWidgetGroupSettings::map()
{
    QVariantMap result;
    result.insert(QLatin1String(KEY_NAME), name);
    result.insert(QLatin1String(KEY_POSITION), position);
    result.insert(QLatin1String(KEY_SIZE), size);
    result.insert(QLatin1String(KEY_USE_IMAGE), useImage);
    result.insert(QLatin1String(KEY_IMAGE_FILE), imageFile);
    result.insert(QLatin1String(KEY_ALIGNED), alignedToTheGrid);
    return result;
}

void XWidgetGroupSettings::setMap(QVariantMap map)
{
    if (map.contains(QLatin1String(KEY_NAME)))
        name = map.value(QLatin1String(KEY_NAME)).toString();
    if (map.contains(QLatin1String(KEY_POSITION)))
        position = map.value(QLatin1String(KEY_POSITION)).toPoint();
    if (map.contains(QLatin1String(KEY_SIZE)))
        size = map.value(QLatin1String(KEY_SIZE)).toSize();
    // Unlike the other keys, a missing "useImage" switches the picture off.
    useImage = map.value(QLatin1String(KEY_USE_IMAGE), false).toBool();
    if (map.contains(QLatin1String(KEY_IMAGE_FILE)))
        imageFile = map.value(QLatin1String(KEY_IMAGE_FILE)).toString();
    if (map.contains(QLatin1String(KEY_ALIGNED)))
        alignedToTheGrid = map.value(QLatin1String(KEY_ALIGNED)).toBool();
}
