#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

class XWidgetStandartComponent;

// One row per component of a standard widget: its name, the value last set
// into it, the value it returns and whether a module sets it. A value typed
// into a row enters the component as if it came from outside the widget.
class XWidgetStandartDebugDialogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    XWidgetStandartDebugDialogModel(QList<XWidgetStandartComponent*>* components, QObject* parent);

    // Read live: the widget's own list, not a copy.
    QList<XWidgetStandartComponent*>* components = nullptr;
    QStringList headers;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void updateRow(int row);
    void setUndefined(int row);

private slots:
    void componentValueUpdated();

private:
    bool isComponentRow(const QModelIndex& index) const;
};
