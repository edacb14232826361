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

    QString name;
    QString libName;
    QVariantMap libSettings;
    QString connectToComponent;
    QPoint position;
    QSize size = QSize(20, 20);
};
