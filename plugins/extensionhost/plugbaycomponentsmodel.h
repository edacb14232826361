#pragma once

#include <QAbstractTableModel>
#include <QMap>
#include <QStringList>

class PlugbayComponentItem;
class Settings;

// One row per extension component, in the order of the names: label, name,
// the bound widget and component (editable), and the current value.
class PlugbayComponentsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { LabelColumn = 0, IdColumn, WidgetColumn, ComponentColumn, ValueColumn };

    PlugbayComponentsModel(
        QMap<QString, PlugbayComponentItem*>* components, Settings* settings, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Announces new values (the last column) or everything.
    void update(bool all);
    // The module rebuilds the list between these two.
    void beginReset();
    void endReset();

    // The Widget column's text for a row: "Group, Name [ID]".
    static QString widgetText(const PlugbayComponentItem* item);

    QStringList header;
    QMap<QString, PlugbayComponentItem*>* components = nullptr;
    Settings* settings = nullptr;

private:
    PlugbayComponentItem* itemAt(int row) const;
    QString nameAt(int row) const;
};
