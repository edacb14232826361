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
    // A new library makes the row forget its component and its record; back
    // at the library it started with, the row has them again (the component
    // only while the row keeps its name).
    void setLibName(const QString& newLibName);
    bool isChanged() const;
    QVariantMap libSettings() const;
    // What the "Copy" cell offers and its click copies.
    bool canCopy() const;

    XWidgetStandartComponent* component = nullptr;
    XWidgetStandartComponentSettings* settings = nullptr;
    QVariantMap editedLibSettings;
    QString name;
    QString libName;
    QString connectToComponent;
    QString initialName;
    QString initialLibName;
    QString initialConnectToComponent;

private:
    // Held while the row has another library than the one it started with.
    XWidgetStandartComponent* m_startComponent = nullptr;
    XWidgetStandartComponentSettings* m_startSettings = nullptr;
};
