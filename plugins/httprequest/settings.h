#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

struct Item;

// The module's stored settings: the bound widget and component, the answer
// switch, the table's column widths and its requests. Owns its items.
struct Settings
{
    Settings() = default;
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
    ~Settings();

    QMap<QString, QVariant> getMap();
    void setMap(QMap<QString, QVariant> map);

    QString xwidget;
    QString component;
    bool setAnswerToComponent = false;
    QList<QVariant> tableCollumnWith;
    QList<Item*> items;
    bool useExtraEnd = false;
    QString extraEndDivider;
};
