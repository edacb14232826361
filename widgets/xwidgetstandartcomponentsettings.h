#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>

// The stored description of one component of a standard widget.
class XWidgetStandartComponentSettings
{
public:
    XWidgetStandartComponentSettings() = default;

    QVariantMap getMap() const;
    void setMap(QVariantMap map);
    // True when the map's members have the types that getMap() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    QString name;
    QString libName;
    QVariantMap libSettings;
    QString connectToComponent;
    QPoint position;
    QSize size = QSize(20, 20);
};
