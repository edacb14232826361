#pragma once

#include "xwidgetsettings.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class XWidgetStandartComponentSettings;

// Everything that is stored of one standard widget: the content of its .sw
// file. Owns its component records.
class XWidgetStandartSettings
{
public:
    XWidgetStandartSettings();
    ~XWidgetStandartSettings();

    QVariantMap getMap();
    void setMap(QMap<QString, QVariant> map);
    // True when the map's members have the types that getMap() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    QString name;
    QString setNameOnComponent;
    bool transparent = false;
    QString scriptName;
    QVariantMap scriptParameters;
    XWidgetSettings base;
    QList<XWidgetStandartComponentSettings*> components;
    int layout = 0;

private:
    // The component records are owned: a copy would delete them twice.
    Q_DISABLE_COPY(XWidgetStandartSettings)
};
