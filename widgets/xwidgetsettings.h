#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>

// Placement of one widget. Its map is the "base" part of a standard widget's
// stored file, where the position and size appear as lists of decimal strings.
class XWidgetSettings
{
public:
    XWidgetSettings();

    QVariantMap map();
    void setMap(QVariantMap map);
    // True when the map's members have the types that map() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    QString id;
    QPoint position;
    QString group;
    QSize size;
    bool userSize;
};
