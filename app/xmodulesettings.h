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

    QString libName;
    QMap<QString, QVariant> libSettings;
};
