#include "settings.h"

#include "item.h"

namespace {
const char XWIDGET_KEY[] = "xwidget";
const char COMPONENT_KEY[] = "component";
const char SET_ANSWER_KEY[] = "setAnswerToComponent";
const char COLUMN_WIDTHS_KEY[] = "tableCollumnWith";
const char ITEMS_KEY[] = "items";
const char USE_EXTRA_END_KEY[] = "useExtraEnd";
const char DIVIDER_KEY[] = "extraEndDivider";
const char DEFAULT_DIVIDER[] = "###";

const char ITEM_NAME_KEY[] = "name";
const char ITEM_REQUEST_KEY[] = "request";
const char ITEM_TYPE_KEY[] = "type";
const char ITEM_COMMENT_KEY[] = "comment";
}

Settings::~Settings()
{
    while (!items.isEmpty())
        delete items.takeFirst();
}

QMap<QString, QVariant> Settings::getMap()
{
    QMap<QString, QVariant> itemsMap;
    for (int i = 0; i < items.size(); ++i) {
        const Item* item = items.at(i);
        itemsMap.insert(QString::number(i),
            QVariantMap { { QLatin1String(ITEM_NAME_KEY), item->name },
                { QLatin1String(ITEM_REQUEST_KEY), item->request },
                { QLatin1String(ITEM_TYPE_KEY), item->type },
                { QLatin1String(ITEM_COMMENT_KEY), item->comment } });
    }
    return { { QLatin1String(XWIDGET_KEY), xwidget }, { QLatin1String(COMPONENT_KEY), component },
        { QLatin1String(SET_ANSWER_KEY), setAnswerToComponent },
        { QLatin1String(COLUMN_WIDTHS_KEY), tableCollumnWith }, { QLatin1String(ITEMS_KEY), itemsMap },
        { QLatin1String(USE_EXTRA_END_KEY), useExtraEnd }, { QLatin1String(DIVIDER_KEY), extraEndDivider } };
}

void Settings::setMap(QMap<QString, QVariant> map)
{
    xwidget = map.value(QLatin1String(XWIDGET_KEY)).toString();
    component = map.value(QLatin1String(COMPONENT_KEY)).toString();
    setAnswerToComponent = map.value(QLatin1String(SET_ANSWER_KEY)).toBool();
    const QVariant widths = map.value(QLatin1String(COLUMN_WIDTHS_KEY));
    if (widths.isValid())
        tableCollumnWith = widths.toList();
    useExtraEnd = map.value(QLatin1String(USE_EXTRA_END_KEY)).toBool();
    extraEndDivider = map.value(QLatin1String(DIVIDER_KEY), QLatin1String(DEFAULT_DIVIDER)).toString();

    const QVariantMap itemsMap = map.value(QLatin1String(ITEMS_KEY)).toMap();
    for (int i = 0; itemsMap.contains(QString::number(i)); ++i) {
        const QVariantMap itemMap = itemsMap.value(QString::number(i)).toMap();
        auto* item = new Item;
        item->name = itemMap.value(QLatin1String(ITEM_NAME_KEY)).toString();
        item->request = itemMap.value(QLatin1String(ITEM_REQUEST_KEY)).toString();
        item->type = itemMap.value(QLatin1String(ITEM_TYPE_KEY)).toInt();
        item->comment = itemMap.value(QLatin1String(ITEM_COMMENT_KEY)).toString();
        items.append(item);
    }
}
