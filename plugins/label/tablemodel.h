#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class Item;
class QWidget;

// The conditions being edited in the settings dialog: copies of the label's
// own items, one row each.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ConditionColumn = 0,
        ValueColumn = 1,
        TextColumn = 2,
        ColorColumn = 3,
        DeleteColumn = 4,
    };

    explicit TableModel(QWidget* messageParent);
    ~TableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    const QList<Item*>& rows() const { return items; }

public slots:
    void clicked(QModelIndex index);
    void addNewItem(Item* item = nullptr);
    void deleteItem(int row);

private:
    void removeItemAt(int row);

    QList<Item*> items;
    QStringList header;
    QWidget* messageParent = nullptr;
};
