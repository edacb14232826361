#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QModelIndex>

class XWidgetStandartDialogComponentItem;

// The settings dialog's component table; owns its rows (not their records).
class XWidgetStandartDialogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        NameColumn = 0,
        LibraryColumn = 1,
        ConnectToColumn = 2,
        ShowColumn = 3,
        CopyColumn = 4,
        PasteColumn = 5,
        ColumnCount = 6
    };

    explicit XWidgetStandartDialogModel(QObject* parent = nullptr);
    ~XWidgetStandartDialogModel() override;

    QList<XWidgetStandartDialogComponentItem*> items;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    void listUpdated();
    // A row was not given the name because another row has it.
    void nameRefused(const QString& name);

public slots:
    void addNewItem(XWidgetStandartDialogComponentItem* item = nullptr);
    void deleteItem(int n);
    void deleteItems(QList<int> rows);
    QModelIndex itemUp(QModelIndex n);
    QList<int> itemsUp(QList<int> rows);
    QModelIndex itemDown(QModelIndex n);
    QList<int> itemsDown(QList<int> rows);
    void update();

private:
    void removeItemAt(int row);
    bool nameIsTakenByOther(const QString& name, int row) const;
};
