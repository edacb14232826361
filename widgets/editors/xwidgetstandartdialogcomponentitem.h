#pragma once

#include <QString>
#include <QVariantMap>

class XWidgetStandartComponent;
class XWidgetStandartComponentSettings;

// One row of the settings dialog's component table: an existing component,
// a record that a kit supplied, or a new row.
class XWidgetStandartDialogComponentItem
{
public:
    XWidgetStandartDialogComponentItem(const QString& name = QString(), const QString& libName = QString(),
        const QString& connectToComponent = QString(), XWidgetStandartComponent* component = nullptr);
    explicit XWidgetStandartDialogComponentItem(XWidgetStandartComponentSettings* settings);

    // A new name makes the row forget its component, which is then made anew.
    void setName(const QString& newName);
    // A new library makes the row forget its component and its record.
    void setLibName(const QString& newLibName);
    bool isChanged() const;
    QVariantMap libSettings() const;

    XWidgetStandartComponent* component = nullptr;
    XWidgetStandartComponentSettings* settings = nullptr;
    QVariantMap editedLibSettings;
    QString name;
    QString libName;
    QString connectToComponent;
    QString initialName;
    QString initialLibName;
    QString initialConnectToComponent;
};
