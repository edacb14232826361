#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

struct Item;

// The request table over the module's item list. The list and its items
// belong to the module's settings; the model only edits them in place.
class XHttpModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    XHttpModel(QList<Item*>* items, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

public slots:
    void addNewItem(Item* item = nullptr);
    void deleteItem(int row);

private:
    QList<Item*>* m_items = nullptr;
    QStringList m_titles;
};
