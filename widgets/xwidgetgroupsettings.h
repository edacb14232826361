#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>

// Placement and options of one group. Its map is stored under the group's name
// in settings.ini, which keeps the point and size in their typed form.
class XWidgetGroupSettings
{
public:
    XWidgetGroupSettings();

    QVariantMap map();
    void setMap(QVariantMap map);

    QString name;
    QPoint position;
    QSize size;
    bool useImage;
    QString imageFile;
    bool alignedToTheGrid;
};
