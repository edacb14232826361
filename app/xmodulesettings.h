#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

// What a module's .xmodule file holds: the library that makes it and the
// module object's own settings, which only the module understands.
class XModuleSettings
{
public:
    QMap<QString, QVariant> map() const;
    void setMap(const QMap<QString, QVariant>& map);
    // True when the map's members have the types that map() writes; missing
    // members are fine.
    static bool isWellTyped(const QVariantMap& map);

    QString libName;
    QMap<QString, QVariant> libSettings;
};
