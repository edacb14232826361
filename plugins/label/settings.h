#pragma once

#include <QFont>
#include <QList>
#include <QVariantMap>

// The label's stored settings. The conditions live here only in map form,
// while they travel between the settings map and the label's own list.
class Settings
{
public:
    void setMap(const QVariantMap& map);
    QVariantMap getMap() const;

    QFont font;
    QList<QVariantMap> items;
};
