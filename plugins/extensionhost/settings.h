#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// The extension host module's saved state: the Components tab's look, the
// bindings of the extension's components and the extension's own parameters.
// Its map is the module's part of the .xmodule file.
class Settings
{
public:
    QVariantMap getMap() const;
    void setMap(const QVariantMap& map);
    // Replaces the saved binding of the extension component `name`.
    void componentsListInsert(const QString& name, const QString& widgetID, const QString& componentName);

    int lastTabIndex = 0;
    // Widths of all columns but the last, which stretches.
    QList<QVariant> tableCollumnWith;
    // Extension component name -> {"widgetID", "componentName"}.
    QVariantMap componentsList;
    QVariant extensionParameters;
};
