#pragma once

#include <QString>
#include <QVariantMap>

// One condition of the label: when it matches the value, its text and colour
// are shown.
class Item
{
public:
    enum Condition {
        Equally = 0,
        More = 1,
        Less = 2,
        Other = 3,
        Undefined = 4,
    };

    void setMap(const QVariantMap& map);
    QVariantMap getMap() const;

    int condition = Equally;
    QString value;
    QString text;
    QString color;
};
