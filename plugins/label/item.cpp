#include "item.h"

namespace {
const QString CONDITION_KEY = QStringLiteral("condition");
const QString VALUE_KEY = QStringLiteral("value");
const QString TEXT_KEY = QStringLiteral("text");
const QString COLOR_KEY = QStringLiteral("color");
}

void Item::setMap(const QVariantMap& map)
{
    condition = map.value(CONDITION_KEY).toInt();
    value = map.value(VALUE_KEY).toString();
    text = map.value(TEXT_KEY).toString();
    color = map.value(COLOR_KEY).toString();
}

QVariantMap Item::getMap() const
{
    return {
        { CONDITION_KEY, condition },
        { VALUE_KEY, value },
        { TEXT_KEY, text },
        { COLOR_KEY, color },
    };
}
