#include "settings.h"

namespace {
const QString FONT_KEY = QStringLiteral("font");
const QString ITEMS_KEY = QStringLiteral("items");
}

void Settings::setMap(const QVariantMap& map)
{
    const QVariant storedFont = map.value(FONT_KEY);
    if (storedFont.isValid())
        font.fromString(storedFont.toString());

    items.clear();
    if (!map.contains(ITEMS_KEY))
        return;
    // Walked by index, not by key order: "10" sorts before "9" as a key, and
    // a missing index ends the list.
    const QVariantMap indexed = map.value(ITEMS_KEY).toMap();
    for (int i = 0;; ++i) {
        const auto entry = indexed.constFind(QString::number(i));
        if (entry == indexed.constEnd())
            break;
        items.append(entry.value().toMap());
    }
}

QVariantMap Settings::getMap() const
{
    QVariantMap indexed;
    for (int i = 0; i < items.size(); ++i)
        indexed.insert(QString::number(i), items.at(i));
    return {
        { FONT_KEY, font.toString() },
        { ITEMS_KEY, indexed },
    };
}
